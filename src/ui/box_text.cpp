#include "ui/box_text.h"

#include <cstdio>

namespace tavro::ui {
namespace {

// A byte as "\xff", a code point as "\u009b".
std::string Escaped(unsigned value, bool codePoint) {
    char text[8];
    std::snprintf(text, sizeof text, codePoint && value > 0x7F ? "\\u%04x" : "\\x%02x", value);
    return text;
}

// The length of the UTF-8 sequence at the start of text, or 0 when it is not one.
std::size_t SequenceLength(std::string_view text, unsigned& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    std::size_t length = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    const bool overlong =
        (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF) return 0;
    return length;
}

}  // namespace

std::string BoxText(std::string_view text) {
    std::string shown;
    while (!text.empty()) {
        unsigned codePoint = 0;
        const std::size_t length = SequenceLength(text, codePoint);
        if (length == 0) {
            shown += Escaped(static_cast<unsigned char>(text.front()), false);
            text.remove_prefix(1);
            continue;
        }
        const bool control =
            codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint <= 0x9F);
        if (control) {
            shown += Escaped(codePoint, true);
        } else {
            shown.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return shown;
}

std::string ValidUtf8(std::string_view text) {
    std::string valid;
    while (!text.empty()) {
        unsigned codePoint = 0;
        const std::size_t length = SequenceLength(text, codePoint);
        valid.append(length == 0 ? std::string_view("\xEF\xBF\xBD") : text.substr(0, length));
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return valid;
}

}  // namespace tavro::ui
