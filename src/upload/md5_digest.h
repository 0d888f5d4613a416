#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tavro::upload {

// An MD5 value (RFC 1321), byte 0 first.
using Md5Digest = std::array<std::uint8_t, 16>;

// The digest of a whole file, read in blocks of at most 4 MiB. False, with the digest all zero,
// when the file is missing, empty or unreadable; nothing is shown to the user.
bool GetFileMD5(const std::string& path, Md5Digest& digest);

// The digest of a byte string. Each failed step is named to showError (the user sees it at
// once) and the digest is left as it was.
bool GetTextMD5(std::string_view data, Md5Digest& digest,
                const std::function<void(std::string_view)>& showError);

// An MD5 taken piece by piece over bytes that pass by once, such as an image while it is sent.
// Any failed step leaves it failed for good, so a digest of a part never passes for the whole.
class Md5Stream {
public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(Md5Stream&&) noexcept;
    Md5Stream& operator=(Md5Stream&&) noexcept;

    // False once any step has failed.
    bool Add(std::span<const char> bytes);
    // The digest of everything added; false when a step failed. The stream is spent after it.
    bool Finish(Md5Digest& digest);

private:
    struct Context;
    struct ContextFree {
        void operator()(Context* context) const;
    };
    std::unique_ptr<Context, ContextFree> context_;
};

// The 32 lower-case hexadecimal characters of a digest, byte 0 first.
std::string DigestHex(const Md5Digest& digest);

}  // namespace tavro::upload
