#include "upload/firmware_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "net/socket_error.h"
#include "upload/file_by_path.h"
#include "upload/local_shortage.h"

namespace tavro::upload {
namespace {

// Large enough that reading costs next to nothing per block, small enough that memory stays
// flat for any image. A multiple of the block size, so blocks never straddle two reads.
constexpr std::size_t kChunkSize = 256 * 1024;

}  // namespace

FirmwareReader::FirmwareReader(const std::string& path, std::int32_t length)
    : unread_(std::max<std::int32_t>(length, 0)) {
    errno = 0;
    file_ = OpenFileForReading(path);
    if (!file_) {
        shortage_ = ShortageFromErrno(errno);
        return;
    }
    chunk_.reset(new (std::nothrow) char[kChunkSize]);
    if (!chunk_) shortage_ = net::kErrorNoBuffers;
    // Chunks are read straight into our buffer; a second buffer in the stream would only copy.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
}

bool FirmwareReader::NextBlock(std::size_t size, std::span<const char>& block) {
    if (filled_ - taken_ < size) Refill();
    if (filled_ - taken_ < size) return false;
    block = std::span<const char>(chunk_.get() + taken_, size);
    taken_ += size;
    return true;
}

void FirmwareReader::DigestHandedOut() {
    digest_.Add(std::span<const char>(chunk_.get() + digested_, taken_ - digested_));
    digested_ = taken_;
}

void FirmwareReader::Refill() {
    DigestHandedOut();
    const std::size_t left = filled_ - taken_;
    std::memmove(chunk_.get(), chunk_.get() + taken_, left);
    filled_ = left;
    taken_ = 0;
    digested_ = 0;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::int64_t>(kChunkSize - filled_, unread_));
    if (want == 0) return;
    const std::size_t got = std::fread(chunk_.get() + filled_, 1, want, file_.get());
    filled_ += got;
    unread_ -= static_cast<std::int64_t>(got);
}

FirmwareReader::Check FirmwareReader::CompareDigest(const std::string& announcedHex) {
    DigestHandedOut();
    Md5Digest digest{};
    if (!digest_.Finish(digest)) return Check::DigestFailed;
    // A file that grew is not the image announced either, though it begins with it.
    char beyond = 0;
    const bool grew = std::fread(&beyond, 1, 1, file_.get()) == 1;
    return DigestHex(digest) == announcedHex && !grew ? Check::Same : Check::Changed;
}

}  // namespace tavro::upload
