#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "upload/md5_digest.h"

namespace tavro {

// Reads the image in large chunks and hands it out block by block, digesting every byte as it
// is read: what is sent is exactly what is digested, so the transfer can tell whether it is the
// image that was announced, without ever holding the whole file.
class FirmwareReader {
public:
    enum class Check { Same, Changed, DigestFailed };

    // Reads no more than `length` bytes of the file, whatever it holds beyond them.
    FirmwareReader(const std::string& path, std::int32_t length);

    // False when the file cannot be opened (or no chunk memory can be had).
    bool valid() const { return file_ && chunk_; }
    // The next `size` bytes of the image; false when the file ends or fails before them.
    bool NextBlock(std::size_t size, std::span<const char>& block);
    // Once all `length` bytes were handed out: is their digest the announced one?
    Check CompareDigest(const std::string& announcedHex);

private:
    // Keeps what is not handed out yet and reads on behind it.
    void Refill();

    struct FileClose {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileClose> file_;
    std::unique_ptr<char[]> chunk_;
    std::size_t filled_ = 0;  // bytes of the chunk read from the file
    std::size_t taken_ = 0;   // bytes of the chunk handed out
    std::int64_t unread_ = 0;
    Md5Stream digest_;
};

}  // namespace tavro
