#pragma once

#include <cstdint>
#include <memory>

#include "log/log_sink.h"
#include "net/ipv4_address.h"
#include "upload/connect_back_listener.h"
#include "upload/upload_report.h"

namespace tavro::upload {

// Room for connections not yet accepted. The system answers beyond it with nothing (or with
// SYN cookies whose connections it then drops), so a few strangers connecting at once would
// shut the device out: one upload's own listener keeps room for a crowd of them, a listener
// that several uploads share for every device that may connect at once as well (a batch
// writes at most 256 at a time).
inline constexpr int kOwnListenerBacklog = 64;
inline constexpr int kSharedListenerBacklog = 256;

// Opens the listener that devices connect back to, on the local address and the asked port
// (0: one the system picks), ready to be handed to one upload or shared by several. On
// failure nullptr, with the report holding the result, the cause and the address and port
// that were asked for; the opening is traced on `log`.
std::shared_ptr<ConnectBackListener> OpenConnectBackListener(net::Ipv4Address localAddress,
                                                             std::uint16_t port, int backlog,
                                                             LogSink& log, UploadReport& report);

}  // namespace tavro::upload
