#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "net/byte_order.h"

namespace tavro::net {

// An IPv4 address. It keeps its own order (the host's), so two addresses compare as their
// dotted quads read; the network-order bits are taken and given only where a socket address
// or a system table holds them.
class Ipv4Address {
public:
    constexpr Ipv4Address() = default;  // 0.0.0.0

    static constexpr Ipv4Address FromOctets(std::uint8_t a, std::uint8_t b, std::uint8_t c,
                                            std::uint8_t d) {
        return FromHostOrder(std::uint32_t{a} << 24 | std::uint32_t{b} << 16 |
                             std::uint32_t{c} << 8 | d);
    }
    // The value whose top byte is the first number of the dotted quad (0xC0A80001 is 192.168.0.1).
    static constexpr Ipv4Address FromHostOrder(std::uint32_t value) { return Ipv4Address(value); }
    // The 32 bits as a sockaddr_in or an IP Helper row holds them.
    static constexpr Ipv4Address FromNetworkOrder(std::uint32_t bits) {
        return Ipv4Address(NetworkToHost32(bits));
    }

    // Dotted text as inet_addr takes it: one to four parts, each decimal, octal after a leading
    // 0 or hexadecimal after 0x, the last part filling the bytes left over ("10.1" is 10.0.0.1).
    static std::optional<Ipv4Address> Parse(std::string_view text);
    // Exactly four decimal numbers 0 to 255 between dots, without signs, spaces or leading zeros
    // (a lone 0 is a number): the only text that ToString gives back unchanged.
    static std::optional<Ipv4Address> ParseDottedQuad(std::string_view text);

    constexpr std::uint32_t hostOrder() const { return value_; }
    constexpr std::uint32_t networkOrder() const { return HostToNetwork32(value_); }
    constexpr std::array<std::uint8_t, 4> octets() const {
        return {static_cast<std::uint8_t>(value_ >> 24), static_cast<std::uint8_t>(value_ >> 16),
                static_cast<std::uint8_t>(value_ >> 8), static_cast<std::uint8_t>(value_)};
    }
    // 224.0.0.0/4.
    constexpr bool IsMulticast() const { return (value_ >> 28) == 0xE; }

    // Dotted-quad text, as inet_ntoa writes it: 192.168.0.10.
    std::string ToString() const;

    friend constexpr auto operator<=>(const Ipv4Address&, const Ipv4Address&) = default;

private:
    constexpr explicit Ipv4Address(std::uint32_t hostOrder) : value_(hostOrder) {}
    std::uint32_t value_ = 0;
};

// The dotted quad, for test failure messages and logs of tests.
std::ostream& operator<<(std::ostream& out, const Ipv4Address& address);

inline constexpr Ipv4Address kAnyAddress{};  // 0.0.0.0
inline constexpr Ipv4Address kLoopbackAddress = Ipv4Address::FromOctets(127, 0, 0, 1);
inline constexpr Ipv4Address kBroadcastAddress = Ipv4Address::FromOctets(255, 255, 255, 255);

}  // namespace tavro::net
