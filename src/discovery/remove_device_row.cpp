#include "discovery/remove_device_row.h"

#include <algorithm>

namespace tavro::discovery {

void RemoveDeviceRow(DeviceTable& table, int index) {
    if (index < 0 || index >= DeviceTable::kCapacity) {
        return;
    }
    std::move(table.rows.begin() + index + 1, table.rows.end(), table.rows.begin() + index);
}

}  // namespace tavro::discovery
