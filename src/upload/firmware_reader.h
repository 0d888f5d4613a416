#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "upload/file_by_path.h"
#include "upload/md5_digest.h"

namespace tavro::upload {

// Reads the image in large chunks and hands it out block by block, digesting every byte it hands
// out: what is sent is exactly what is digested, so the transfer can tell whether it is the
// image that was announced, without ever holding the whole file.
class FirmwareReader {
public:
    enum class Check { Same, Changed, DigestFailed };

    // Reads no more than `length` bytes of the file, whatever it holds beyond them.
    FirmwareReader(const std::string& path, std::int32_t length);

    // False when the file cannot be opened (or no chunk memory can be had).
    bool valid() const { return file_ && chunk_; }
    // When not valid for want of descriptors or memory rather than for the file's sake: the
    // socket code of that shortage (10024, 10055); else 0.
    int shortage() const { return shortage_; }
    // The next `size` bytes of the image; false when the file ends or fails before them.
    bool NextBlock(std::size_t size, std::span<const char>& block);
    // Digests what was handed out and not digested yet. The transfer calls it while the device
    // works on the block just sent, so the digest costs no time on the wire; the reader calls it
    // itself before it reuses its buffer or compares, so nothing handed out escapes the digest.
    void DigestHandedOut();
    // Once all `length` bytes were handed out: is their digest the announced one, and does the
    // file end there?
    Check CompareDigest(const std::string& announcedHex);

private:
    // Keeps what is not handed out yet and reads on behind it.
    void Refill();

    OwnedFile file_;
    std::unique_ptr<char[]> chunk_;
    std::size_t filled_ = 0;    // bytes of the chunk read from the file
    std::size_t taken_ = 0;     // bytes of the chunk handed out
    std::size_t digested_ = 0;  // bytes of the chunk digested, never more than taken_
    std::int64_t unread_ = 0;
    int shortage_ = 0;
    Md5Stream digest_;
};

}  // namespace tavro::upload
