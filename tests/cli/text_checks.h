#pragma once

#include <optional>
#include <string>
#include <string_view>

// The oracle of the escaping tests, written apart from the product's own UTF-8 reader: the table
// of well-formed sequences judges UTF-8.
namespace tavro::test {

// Whether the bytes are well-formed UTF-8, read against the table of well-formed byte sequences
// (Unicode, table 3-7): shortest forms only, no surrogates, nothing past U+10FFFF.
inline bool IsUtf8(std::string_view text) {
    struct Form {
        unsigned char leadLow, leadHigh;  // the first byte
        unsigned char secondLow, secondHigh;
        int length;
    };
    static constexpr Form kForms[] = {
        {0x00, 0x7F, 0x00, 0x00, 1}, {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
        {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3},
        {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
    };
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    for (std::size_t at = 0; at < text.size();) {
        const Form* form = nullptr;
        for (const Form& candidate : kForms) {
            if (byte(at) >= candidate.leadLow && byte(at) <= candidate.leadHigh) form = &candidate;
        }
        if (form == nullptr || at + form->length > text.size()) return false;
        for (int i = 1; i < form->length; ++i) {
            const unsigned char low = i == 1 ? form->secondLow : 0x80;
            const unsigned char high = i == 1 ? form->secondHigh : 0xBF;
            if (byte(at + i) < low || byte(at + i) > high) return false;
        }
        at += form->length;
    }
    return true;
}

}  // namespace tavro::test
