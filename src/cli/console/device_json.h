#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "cli/console/json_text.h"
#include "discovery/device_table.h"

namespace tavro::cli {

// "02-00-5E-0A-0B-0C", as the device line shows it.
std::string HardwareAddress(const discovery::DeviceRecord& row);
// "02:00:5e:0a:0b:0c", as other network tools write it.
std::string MacText(const discovery::DeviceRecord& row);
std::string MacText(const std::array<std::uint8_t, 6>& mac);
// "1.05", the version the device line shows.
std::string VersionText(std::uint32_t sketchVersion);

// A device found by a search as one JSON object: the first fields as they always were, then
// "mac", "version", and the interface it was found on.
Json DeviceJson(const discovery::DeviceRecord& row, const std::string& interfaceName,
                const std::string& localAddress);

}  // namespace tavro::cli
