#include "upload/md5_digest.h"

namespace tavro::upload {

std::string DigestHex(const Md5Digest& digest) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (std::uint8_t byte : digest) {
        text.push_back(kHexDigits[byte >> 4]);
        text.push_back(kHexDigits[byte & 0x0F]);
    }
    return text;
}

}  // namespace tavro::upload
