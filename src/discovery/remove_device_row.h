#pragma once

#include "discovery/device_record.h"

namespace tavro::discovery {

// Closes the gap of a written device: rows index+1..255 move down one place, row 255 stays as
// it was. An index outside 0..255 (no line selected) changes nothing. The count is untouched.
void RemoveDeviceRow(DeviceTable& table, int index);

}  // namespace tavro::discovery
