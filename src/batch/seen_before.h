#pragma once

#include <cstdint>
#include <optional>

#include "batch/device_outcome.h"

namespace tavro::batch {

// What a search before the write saw of a device, when one saw it.
struct SeenBefore {
    std::optional<Mac> mac;
    std::optional<std::uint32_t> sketchVersion;  // as the device list read it, leniently
    // Read strictly: the only reading a new version after the write is judged against, since
    // a lenient one turns any answer into a number.
    std::optional<std::uint32_t> strictVersion;
};

}  // namespace tavro::batch
