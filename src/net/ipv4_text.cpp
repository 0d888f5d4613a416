#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/byte_order.h"
#include "net/socket.h"

namespace tavro::net {

namespace {

// One part of the address: decimal, octal after a leading 0, hexadecimal after 0x.
// Advances pos past the part; nullopt when there is no number or it exceeds 32 bits.
std::optional<std::uint32_t> ReadPart(std::string_view text, std::size_t& pos) {
    unsigned base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        if (pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
            base = 16;
            pos += 2;
        }
    }
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; pos < text.size(); ++pos, ++digits) {
        const char c = text[pos];
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
    std::uint32_t parts[4] = {};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (true) {
        const auto part = ReadPart(text, pos);
        if (!part || count == 4) {
            return std::nullopt;
        }
        parts[count++] = *part;
        if (pos == text.size()) {
            break;
        }
        if (text[pos] != '.') {
            return std::nullopt;
        }
        ++pos;
    }

    // The last part fills the bytes the earlier parts leave over ("10.1" is 10.0.0.1).
    std::uint32_t host = 0;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (parts[i] > 0xFF) {
            return std::nullopt;
        }
        host |= parts[i] << (24 - 8 * i);
    }
    const std::uint32_t lastLimit = 0xFFFFFFFFu >> (8 * (count - 1));
    if (parts[count - 1] > lastLimit) {
        return std::nullopt;
    }
    host |= parts[count - 1];

    return HostToNetwork32(host);
}

std::string FormatIPv4(std::uint32_t address) {
    const std::uint32_t host = NetworkToHost32(address);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (shift != 24) {
            text += '.';
        }
        text += std::to_string((host >> shift) & 0xFF);
    }
    return text;
}

}  // namespace tavro::net
