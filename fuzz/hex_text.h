#pragma once

#include <string>
#include <string_view>

namespace tavro::fuzz {

// Lower-case hexadecimal of raw bytes, as nonces and digests travel.
inline std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : bytes) {
        hex += kDigits[static_cast<unsigned char>(byte) >> 4];
        hex += kDigits[static_cast<unsigned char>(byte) & 0xF];
    }
    return hex;
}

}  // namespace tavro::fuzz
