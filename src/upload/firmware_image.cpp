#include "upload/firmware_image.h"

#include <limits>

#include "log/append_log.h"
#include "upload/file_by_path.h"
#include "upload/file_problem.h"
#include "upload/md5_digest.h"

namespace tavro::upload {
namespace {

// The invitation and the transfer count bytes in a signed 32-bit number; a longer file is
// refused here, before the device hears of it.
bool FileLength(const std::string& path, std::int32_t& length, UploadReport& report) {
    std::uintmax_t size = 0;
    const std::error_code error = FileSizeOf(path, size);
    if (error) {
        report.fileProblem = FileProblemFrom(error, report.fileReason);
        return false;
    }
    if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
        report.fileProblem = FileProblem::TooLarge;
        return false;
    }
    length = static_cast<std::int32_t>(size);
    return true;
}

}  // namespace

UploadResult MeasureFirmware(const std::string& path, LogSink& log, FirmwareImage& image,
                             UploadReport& report) {
    AppendLog(log, "まずファイルのMD5を計算する。\r\n");
    if (!FileLength(path, image.length, report)) {
        AppendLog(log, "ERROR: Open\r\n");
        report.cause = UploadCause::FileUnusable;
        return kUploadFileError;
    }
    report.bytesTotal = image.length;
    AppendLog(log, "size %d :", image.length);
    Md5Digest digest{};
    if (!GetFileMD5(path, digest)) {
        AppendLog(log, "ERROR: getMD5\r\n");
        report.fileProblem = WhyUnreadable(path, report.fileReason);
        report.cause = report.fileProblem == FileProblem::None ? UploadCause::DigestFailed
                                                               : UploadCause::FileUnusable;
        return kUploadInternalError;
    }
    image.digestHex = DigestHex(digest);
    AppendLog(log, "file MD5: %s\r\n", image.digestHex.c_str());
    return kUploadSucceeded;
}

}  // namespace tavro::upload
