#pragma once

#include <stop_token>

#include "net/socket.h"
#include "sim/device_life.h"
#include "sim/device_settings.h"
#include "sim/event_log.h"
#include "sim/invitation.h"

namespace tavro::sim {

// The device's side of the transfer: connects back to the writer, takes the announced bytes
// in blocks of 1024 (the last shorter), acknowledges each with its size as decimal text,
// checks length and MD5 against the invitation, stores a verified image when asked and
// replies "OK". The faults of the connection back (close-after, ack-delay-ms, no-final,
// connect-from, close-on-accept, shutdown-on-accept, ack-in-advance, extra-ack, final-word,
// final-split-ms, stranger-connect) are played here. After a verified image and its "OK" the
// device resets (life).
void ReceiveImage(const DeviceSettings& settings, DeviceLife& life, const Invitation& invitation,
                  const net::Endpoint& writer, EventLog& events, std::stop_token stop);

}  // namespace tavro::sim
