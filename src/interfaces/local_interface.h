#pragma once

#include <array>
#include <cstdint>

#include "net/ipv4_address.h"

namespace tavro::interfaces {

// One usable local IPv4 address.
struct LocalInterface {
    std::uint32_t interfaceIndex = 0;
    char description[256] = {};
    char friendlyName[256] = {};
    net::Ipv4Address address;
    net::Ipv4Address mask;
};

// The usable local addresses, in the order they were found; records 0..count-1 are valid.
struct InterfaceTable {
    static constexpr int kCapacity = 256;
    std::int32_t count = 0;
    std::array<LocalInterface, kCapacity> records{};
};

}  // namespace tavro::interfaces
