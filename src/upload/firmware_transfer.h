#pragma once

#include <cstdint>
#include <string>

#include "net/socket.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro {

// Takes the device's connection on the listener and streams the first `length` bytes of the
// file to it in acknowledged blocks of 1024, moving the progress. kUploadSucceeded after the
// device's final reply; kUploadFileError when the file cannot be opened or comes up short;
// else the code of the failed network call (10060 when the device keeps us waiting too long).
UploadResult TransferFirmware(const std::string& path, std::int32_t length, net::Socket& listener,
                              UploadSink& sink, const UploadTimeouts& timeouts);

}  // namespace tavro
