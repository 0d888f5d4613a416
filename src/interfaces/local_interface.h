#pragma once

#include <array>
#include <cstdint>

namespace tavro::interfaces {

// One usable local IPv4 address.
struct LocalInterface {
    std::uint32_t interfaceIndex = 0;
    char description[256] = {};
    char friendlyName[256] = {};
    std::uint32_t address = 0;  // network byte order
    std::uint32_t mask = 0;     // network byte order
};

// The usable local addresses, in the order they were found; records 0..count-1 are valid.
struct InterfaceTable {
    static constexpr int kCapacity = 256;
    std::int32_t count = 0;
    std::array<LocalInterface, kCapacity> records{};
};

}  // namespace tavro::interfaces
