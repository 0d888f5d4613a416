#pragma once

#include <cstdint>

#include "log/log_sink.h"
#include "net/socket.h"
#include "upload/upload_result.h"

namespace tavro::upload {

// Opens the TCP socket on which the device will connect back, on the local address and a port
// the system picks; that port has to be known before the invitation can name it.
// kUploadSucceeded, or the code of the socket call that failed.
UploadResult OpenUploadListener(net::Ipv4Address localAddress, LogSink& log, net::Socket& listener,
                                std::uint16_t& localPort);

}  // namespace tavro::upload
