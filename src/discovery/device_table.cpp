#include "discovery/device_table.h"

#include <algorithm>
#include <cstdio>

namespace tavro::discovery {

void RemoveDeviceRow(DeviceTable& table, int index) {
    if (index < 0 || index >= DeviceTable::kCapacity) {
        return;
    }
    std::move(table.rows.begin() + index + 1, table.rows.end(), table.rows.begin() + index);
}

float ShownVersion(std::uint32_t sketchVersion) {
    const auto n = static_cast<std::int32_t>(sketchVersion);
    // 0.01 in single precision sits just below 0.01, so 90 lands under 0.9 and shows as 1.
    const double product = n * static_cast<double>(0.01f);
    if (product < 0.9) {
        return 1.0f;
    }
    return static_cast<float>(product);
}

std::string DeviceLine(const DeviceRecord& row) {
    char line[96];
    const auto& mac = row.macAddress;
    std::snprintf(line, sizeof line, "%.15s / %02X-%02X-%02X-%02X-%02X-%02X / ver. %1.2f",
                  row.addressText, mac[0], mac[1], mac[2], mac[3], mac[4], mac[5],
                  static_cast<double>(ShownVersion(row.sketchVersion)));
    return line;
}

}  // namespace tavro::discovery
