#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tavro {

// An MD5 value (RFC 1321), byte 0 first.
using Md5Digest = std::array<std::uint8_t, 16>;

// The digest of a whole file, read in blocks of at most 4 MiB. False, with the digest all zero,
// when the file is missing, empty or unreadable; nothing is shown to the user.
bool GetFileMD5(const std::string& path, Md5Digest& digest);

// The digest of a byte string. Each failed step is named to showError (the user sees it at
// once) and the digest is left as it was.
bool GetTextMD5(std::string_view data, Md5Digest& digest,
                const std::function<void(std::string_view)>& showError);

// The 32 lower-case hexadecimal characters of a digest, byte 0 first.
std::string DigestHex(const Md5Digest& digest);

}  // namespace tavro
