#pragma once

#include <cstdint>
#include <string>

#include "log/log_sink.h"
#include "upload/upload_result.h"

namespace tavro::upload {

// What the invitation tells the device about the file it is going to receive.
struct FirmwareImage {
    std::int32_t length = 0;
    std::string digestHex;
};

// Takes the file's length and digest and traces both. kUploadSucceeded when the upload can go
// on; kUploadFileError for a file that is missing or longer than a signed 32-bit count;
// kUploadInternalError when the digest fails (an empty file among others).
UploadResult MeasureFirmware(const std::string& path, LogSink& log, FirmwareImage& image);

}  // namespace tavro::upload
