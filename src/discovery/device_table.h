#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "net/socket.h"

namespace tavro::discovery {

// One device found by a search.
struct DeviceRecord {
    net::Endpoint sender;  // source of the discovery reply
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

// Closes the gap of a written device: rows index+1..255 move down one place, row 255 stays as
// it was. An index outside 0..255 (no line selected) changes nothing. The count is untouched.
void RemoveDeviceRow(DeviceTable& table, int index);

// The version number a device line shows: sketchVersion / 100 in single precision, with
// every value up to 90 (and every negative one) shown as 1.
float ShownVersion(std::uint32_t sketchVersion);

// "address / hardware address / ver. n.nn", the line the device list shows for a row.
std::string DeviceLine(const DeviceRecord& row);

}  // namespace tavro::discovery
