#include "upload/firmware_image.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <span>
#include <vector>

#include "log/append_log.h"
#include "upload/file_by_path.h"
#include "upload/file_problem.h"
#include "upload/local_shortage.h"
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

constexpr std::size_t kReadChunk = 256 * 1024;

// Reads the file through once: the digest of what it holds and how many bytes that is, which
// for a special file (one under /proc, say) is not what its size claims. False when it cannot
// be read or digested, or holds nothing; `shortage` is then the socket code of a shortage of
// descriptors or memory that kept it shut, else 0.
bool DigestContent(const std::string& path, std::int64_t& count, Md5Digest& digest, int& shortage) {
    errno = 0;
    const OwnedFile file = OpenFileForReading(path);
    shortage = file ? 0 : ShortageFromErrno(errno);
    if (!file) return false;
    std::vector<char> chunk(kReadChunk);
    Md5Stream stream;
    count = 0;
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get())) {
        if (!stream.Add(std::span<const char>(chunk.data(), got))) return false;
        count += static_cast<std::int64_t>(got);
        if (count > std::numeric_limits<std::int32_t>::max()) break;
    }
    return !std::ferror(file.get()) && count != 0 && stream.Finish(digest);
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
    std::int64_t content = 0;
    int shortage = 0;
    if (!DigestContent(path, content, digest, shortage)) {
        AppendLog(log, "ERROR: getMD5\r\n");
        if (shortage != 0) {
            report.cause = UploadCause::LocalShortage;
            return shortage;
        }
        report.fileProblem = WhyUnreadable(path, report.fileReason);
        report.cause = report.fileProblem == FileProblem::None ? UploadCause::DigestFailed
                                                               : UploadCause::FileUnusable;
        return kUploadInternalError;
    }
    if (content != image.length) {
        // The device would be told one length and sent another; what it holds is unknown.
        AppendLog(log, "ERROR: size\r\n");
        report.cause = UploadCause::FileUnusable;
        report.fileProblem = FileProblem::SizeMismatch;
        return kUploadFileError;
    }
    image.digestHex = DigestHex(digest);
    AppendLog(log, "file MD5: %s\r\n", image.digestHex.c_str());
    return kUploadSucceeded;
}

}  // namespace tavro::upload
