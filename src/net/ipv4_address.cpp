#include "net/ipv4_address.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

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

// One number of a strict dotted quad: 0 to 255 in decimal, no leading zero.
std::optional<std::uint8_t> ReadOctet(std::string_view part) {
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace

std::optional<Ipv4Address> Ipv4Address::Parse(std::string_view text) {
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

    return FromHostOrder(host);
}

std::optional<Ipv4Address> Ipv4Address::ParseDottedQuad(std::string_view text) {
    std::array<std::uint8_t, 4> octets{};
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const std::size_t end = i + 1 < octets.size() ? text.find('.') : text.size();
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const auto octet = ReadOctet(text.substr(0, end));
        if (!octet) {
            return std::nullopt;
        }
        octets[i] = *octet;
        text.remove_prefix(i + 1 < octets.size() ? end + 1 : end);
    }
    return FromOctets(octets[0], octets[1], octets[2], octets[3]);
}

std::string Ipv4Address::ToString() const {
    std::string text;
    for (const std::uint8_t octet : octets()) {
        if (!text.empty()) {
            text += '.';
        }
        text += std::to_string(octet);
    }
    return text;
}

std::ostream& operator<<(std::ostream& out, const Ipv4Address& address) {
    return out << address.ToString();
}

}  // namespace tavro::net
