#pragma once

namespace tavro::sim {

// The part of --help that explains the device keys, the faults and the events file.
extern const char kDeviceHelp[];

}  // namespace tavro::sim
