#pragma once

#include <cstdint>
#include <string>

#include "log/log_sink.h"
#include "upload/upload_report.h"
#include "upload/upload_result.h"

namespace tavro::upload {

// What the invitation tells the device about the file it is going to receive.
struct FirmwareImage {
    std::int32_t length = 0;
    std::string digestHex;
};

// Takes the file's length and digest and traces both; the digest is of the bytes read, and
// those must be as many as the length. kUploadSucceeded when the upload can go on;
// kUploadFileError for a file that is missing, longer than a signed 32-bit count, or whose
// size is not what it holds;
// kUploadInternalError when the digest fails (an empty or unreadable file among others). The
// report learns what was wrong with the file, or that the digest itself failed.
UploadResult MeasureFirmware(const std::string& path, LogSink& log, FirmwareImage& image,
                             UploadReport& report);

}  // namespace tavro::upload
