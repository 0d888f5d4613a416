#pragma once

#include <string_view>

namespace tavro::fuzz {

// Whether text is well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
// Written apart from the product's own reader, so that the two check each other.
inline bool IsValidUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 0;
        char32_t least = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            ++at;
            continue;
        } else if (lead >= 0xC0 && lead < 0xE0) {
            length = 2, least = 0x80, value = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3, least = 0x800, value = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead < 0xF8) {
            length = 4, least = 0x10000, value = lead & 0x07u;
        } else {
            return false;
        }
        if (text.size() - at < length) return false;
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0u) != 0x80u) return false;
            value = (value << 6) | (next & 0x3Fu);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace tavro::fuzz
