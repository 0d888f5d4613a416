// Text from a peer (device answers, interface names) written as a JSON string by the CLI.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/json_text.h"
#include "fuzz_check.h"
#include "utf8_validity.h"

namespace {

using tavro::fuzz::IsValidUtf8;
using tavro::fuzz::Require;

void AppendUtf8(char32_t value, std::string& out) {
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (value >> 18));
        out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

std::optional<char32_t> HexUnit(std::string_view json, std::size_t at) {
    if (json.size() - at < 4) return std::nullopt;
    char32_t unit = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const char c = json[i];
        unit <<= 4;
        if (c >= '0' && c <= '9') {
            unit |= static_cast<char32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            unit |= static_cast<char32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            unit |= static_cast<char32_t>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
    }
    return unit;
}

// The text of "\uXXXX" at json[at] (just past the backslash and u), surrogate pairs joined;
// nullopt for a surrogate without its partner, which no UTF-8 reader could take.
std::optional<char32_t> EscapedCharacter(std::string_view json, std::size_t& at) {
    const auto unit = HexUnit(json, at);
    if (!unit) return std::nullopt;
    at += 4;
    if (*unit >= 0xDC00 && *unit <= 0xDFFF) return std::nullopt;
    if (*unit < 0xD800 || *unit > 0xDBFF) return unit;
    if (json.substr(at, 2) != "\\u") return std::nullopt;
    const auto low = HexUnit(json, at + 2);
    if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
    at += 6;
    return 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
}

// The value of a JSON string literal that fills the whole of json; nullopt where it breaks
// the grammar.
std::optional<std::string> ReadJsonLiteral(std::string_view json) {
    if (json.size() < 2 || json.front() != '"') return std::nullopt;
    std::string value;
    std::size_t at = 1;
    while (at < json.size()) {
        const char c = json[at++];
        if (c == '"') return at == json.size() ? std::optional(value) : std::nullopt;
        if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (at == json.size()) return std::nullopt;
        switch (const char kind = json[at++]) {
            case '"':
            case '\\':
            case '/':
                value += kind;
                break;
            case 'b':
                value += '\b';
                break;
            case 'f':
                value += '\f';
                break;
            case 'n':
                value += '\n';
                break;
            case 'r':
                value += '\r';
                break;
            case 't':
                value += '\t';
                break;
            case 'u': {
                const auto character = EscapedCharacter(json, at);
                if (!character) return std::nullopt;
                AppendUtf8(*character, value);
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = tavro::fuzz::Bytes(data, size);
    const std::string json = tavro::cli::JsonString(text);

    Require(IsValidUtf8(json), "the JSON text is valid UTF-8 whatever bytes came");
    const auto value = ReadJsonLiteral(json);
    Require(value.has_value(), "the JSON text is one well-formed string literal");
    Require(!IsValidUtf8(text) || *value == text, "valid UTF-8 text reads back unchanged");
    return 0;
}
