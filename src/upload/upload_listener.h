#pragma once

#include <cstdint>

#include "log/log_sink.h"
#include "net/ipv4_address.h"
#include "net/socket.h"
#include "upload/upload_result.h"

namespace tavro::upload {

// Opens the TCP socket on which the device will connect back, on the local address and the
// asked port, or one the system picks for 0; that port has to be known before the invitation
// can name it. kUploadSucceeded, or the code of the socket call that failed (10048 when the
// asked port is taken). `backlog` connections may wait to be accepted.
UploadResult OpenUploadListener(net::Ipv4Address localAddress, std::uint16_t askedPort, int backlog,
                                LogSink& log, net::Socket& listener, std::uint16_t& localPort);

}  // namespace tavro::upload
