#pragma once

#include <bit>
#include <cstdint>

namespace tavro::net {

// Addresses travel in network byte order (big-endian) in socket addresses and on the wire.
constexpr std::uint32_t HostToNetwork32(std::uint32_t value) {
    if constexpr (std::endian::native == std::endian::big) {
        return value;
    } else {
        return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) |
               (value << 24);
    }
}
constexpr std::uint32_t NetworkToHost32(std::uint32_t value) { return HostToNetwork32(value); }

}  // namespace tavro::net
