#pragma once

#include <optional>
#include <string>
#include <string_view>

// Oracles for the escaping tests, written apart from the product's own UTF-8 reader: the table of
// well-formed sequences judges UTF-8, and a strict reader takes JSON string literals apart.
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

inline void AppendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The text a JSON string literal (quotes included) stands for; nullopt when it is not a valid
// literal in UTF-8, or when it carries raw what must never appear raw: control characters,
// DEL, C1 controls, U+2028, U+2029. Escapes of surrogates are refused too (none are expected).
inline std::optional<std::string> DecodeJsonString(std::string_view literal) {
    if (!IsUtf8(literal) || literal.size() < 2 || literal.front() != '"' || literal.back() != '"') {
        return std::nullopt;
    }
    for (const std::string_view banned : {"\x7F", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
        if (literal.find(banned) != std::string_view::npos) return std::nullopt;
    }
    std::string text;
    for (std::size_t at = 1; at + 1 < literal.size(); ++at) {
        const auto c = static_cast<unsigned char>(literal[at]);
        if (c < 0x20 || c == '"') return std::nullopt;
        if (c == 0xC2 && static_cast<unsigned char>(literal[at + 1]) < 0xA0) return std::nullopt;
        if (c != '\\') {
            text += static_cast<char>(c);
            continue;
        }
        if (at + 2 >= literal.size()) return std::nullopt;
        const char kind = literal[++at];
        const std::string_view simple = "\"\\/bfnrt";
        const std::string_view meaning = "\"\\/\b\f\n\r\t";
        if (const std::size_t which = simple.find(kind); which != std::string_view::npos) {
            text += meaning[which];
        } else if (kind == 'u' && at + 5 < literal.size()) {
            const std::string hex(literal.substr(at + 1, 4));
            if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                return std::nullopt;
            }
            const auto codePoint = static_cast<unsigned>(std::stoul(hex, nullptr, 16));
            if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return std::nullopt;
            AppendUtf8(text, codePoint);
            at += 4;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

}  // namespace tavro::test
