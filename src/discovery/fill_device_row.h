#pragma once

#include <cstddef>
#include <span>

#include "discovery/device_table.h"
#include "net/socket.h"

namespace tavro::discovery {

// The most of a reply datagram that a row is filled from; a longer one is no reply.
inline constexpr std::size_t kDeviceReplySize = 30;

// Fills a row from one received reply (at most 30 bytes; missing bytes read as zero) and the
// address it came from. The versions start at 0, for the version query to fill.
void FillDeviceRow(std::span<const char> reply, const net::Endpoint& sender, DeviceRecord& row);

}  // namespace tavro::discovery
