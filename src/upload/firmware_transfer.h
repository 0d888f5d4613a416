#pragma once

#include <cstdint>
#include <string>

#include "upload/connect_back_listener.h"
#include "upload/firmware_image.h"
#include "upload/upload_report.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro::upload {

// Takes the device's connection (no one else's) as the expectation hands it over from the
// listener on `local`, and streams the image's
// `length` bytes of the file to it in acknowledged blocks of 1024, moving the progress.
// kUploadSucceeded when the device's final reply is "OK" or an orderly close; kUploadRefused
// for any other final reply; kUploadFileError when the file cannot be opened, comes up short
// or is no longer the image announced; else the code of the failed network call (10060 when
// the device keeps us waiting past a bound, 10054 when it closes instead of acknowledging).
// The report learns how far the transfer got, the final word and the cause of a failure.
UploadResult TransferFirmware(const std::string& path, const FirmwareImage& image,
                              ConnectBackListener::Expectation& expected,
                              const net::Endpoint& local, UploadSink& sink,
                              const UploadTimeouts& timeouts, UploadReport& report);

}  // namespace tavro::upload
