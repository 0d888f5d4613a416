#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "sim/device_settings.h"

namespace tavro::sim {

// What changes about a device once it has taken a firmware image: a real one resets, stays
// silent for a while and comes back with the new firmware's version, or never comes back.
// Read by the discovery and version threads, changed by the upload thread.
class DeviceLife {
public:
    explicit DeviceLife(const DeviceSettings& settings)
        : settings_(settings), sketchVersion_(settings.sketchVersion) {}

    // A verified image was taken and the final word sent: the reset begins now.
    void Updated();
    // True while the device is resetting (or for good, when it never comes back): it
    // answers neither the probe nor the version query.
    bool Away() const;
    std::uint32_t SketchVersion() const { return sketchVersion_; }

private:
    using Clock = std::chrono::steady_clock;

    const DeviceSettings& settings_;
    std::atomic<std::uint32_t> sketchVersion_;
    std::atomic<bool> gone_{false};
    std::atomic<Clock::rep> backAt_{Clock::time_point::min().time_since_epoch().count()};
};

}  // namespace tavro::sim
