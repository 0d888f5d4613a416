#include "cli/console/utf8_reader.h"

namespace tavro::cli {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length a lead byte announces and the bits it carries; 0 for a byte that leads nothing.
std::size_t AnnouncedLength(unsigned char lead, char32_t& bits) {
    if (lead < 0x80) {
        bits = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        bits = lead & 0x1F;
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        bits = lead & 0x0F;
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        bits = lead & 0x07;
        return 4;
    }
    return 0;
}

bool IsShortestScalar(char32_t codePoint, std::size_t length) {
    constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint >= kSmallestOfLength[length] && codePoint <= 0x10FFFF && !surrogate;
}

}  // namespace

Utf8Step ReadUtf8(std::string_view text, std::size_t at) {
    char32_t codePoint = 0;
    const std::size_t length = AnnouncedLength(static_cast<unsigned char>(text[at]), codePoint);
    if (length == 0 || text.size() - at < length) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) return {};
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (!IsShortestScalar(codePoint, length)) return {};
    return {codePoint, length, true};
}

}  // namespace tavro::cli
