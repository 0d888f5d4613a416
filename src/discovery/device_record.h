#pragma once

#include <netinet/in.h>

#include <array>
#include <cstdint>

namespace tavro::discovery {

// One device found by a search.
struct DeviceRecord {
    sockaddr_in senderAddress{};  // source of the discovery reply
    std::array<std::uint8_t, 6> macAddress{};
    char addressText[16] = {};  // dotted quad of the sender
    std::uint8_t reply5High = 0;
    std::uint8_t reply6High = 0;
    std::uint8_t reply8 = 0;
    std::uint8_t reply9 = 0;
    std::uint32_t sketchVersion = 0;
    std::uint32_t textVersion = 0;
};

// The devices of the last search. Line i of the device list shows row i.
struct DeviceTable {
    static constexpr int kCapacity = 256;
    std::array<DeviceRecord, kCapacity> rows{};
    std::int32_t deviceCount = 0;
};

}  // namespace tavro::discovery
