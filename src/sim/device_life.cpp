#include "sim/device_life.h"

namespace tavro::sim {

void DeviceLife::Updated() {
    if (settings_.neverBack) gone_ = true;
    backAt_ =
        (Clock::now() + std::chrono::milliseconds(settings_.resetMs)).time_since_epoch().count();
    // Seen only once the device is back: the away check comes first in every answer.
    if (settings_.sketchAfter) sketchVersion_ = *settings_.sketchAfter;
}

bool DeviceLife::Away() const { return gone_ || Clock::now().time_since_epoch().count() < backAt_; }

}  // namespace tavro::sim
