#pragma once

#include <cstdint>
#include <string>

#include "discovery/device_record.h"

namespace tavro::discovery {

// The version number a device line shows: sketchVersion / 100 in single precision, with
// every value up to 90 (and every negative one) shown as 1.
float ShownVersion(std::uint32_t sketchVersion);

// "address / hardware address / ver. n.nn", the line the device list shows for a row.
std::string DeviceLine(const DeviceRecord& row);

}  // namespace tavro::discovery
