#include "sim/escaped_text.h"

#include <cstdio>

namespace tavro::sim {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> UnescapeText(std::string_view text, std::string& why) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size()) {
            why = "a backslash ends the text";
            return std::nullopt;
        }
        switch (text[i]) {
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case '0':
                bytes += '\0';
                break;
            case '\\':
                bytes += '\\';
                break;
            case 'x': {
                const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
                const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    why = "\\x needs two hexadecimal digits";
                    return std::nullopt;
                }
                bytes += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                why = std::string("unknown escape \\") + text[i];
                return std::nullopt;
        }
    }
    return bytes;
}

std::string EscapeText(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        switch (c) {
            case '\r':
                text += "\\r";
                break;
            case '\n':
                text += "\\n";
                break;
            case '\t':
                text += "\\t";
                break;
            case '\0':
                text += "\\0";
                break;
            case '\\':
                text += "\\\\";
                break;
            default: {
                const auto byte = static_cast<unsigned char>(c);
                if (byte >= 0x20 && byte < 0x7f) {
                    text += c;
                } else {
                    char hex[5];
                    std::snprintf(hex, sizeof hex, "\\x%02x", byte);
                    text += hex;
                }
            }
        }
    }
    return text;
}

}  // namespace tavro::sim
