#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

// Oracles for the escaping tests, written apart from the product's own UTF-8 reader: the C
// library's converter judges UTF-8, and a strict reader takes JSON string literals apart.
namespace tavro::test {

// Whether the bytes are UTF-8 as the C library's converter reads it (shortest forms only).
inline bool IsUtf8(std::string_view text) {
    iconv_t converter = ::iconv_open("UTF-32LE", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string input(text);
    std::string output(text.size() * 4 + 4, '\0');
    char* in = input.data();
    char* out = output.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size();
    const std::size_t converted = ::iconv(converter, &in, &inLeft, &out, &outLeft);
    ::iconv_close(converter);
    return converted != static_cast<std::size_t>(-1) && inLeft == 0;
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
