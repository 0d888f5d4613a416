#include "discovery/sightings_summary.h"

#include <array>
#include <cstdint>
#include <map>
#include <utility>

namespace tavro::discovery {

namespace {

using DeviceKey = std::pair<std::uint32_t, std::array<std::uint8_t, 6>>;

struct DeviceFacts {
    bool listed = false;
    bool unasked = false;
};

}  // namespace

SightingsSummary Summarize(const Sightings& sightings) {
    SightingsSummary summary;
    std::map<DeviceKey, DeviceFacts> devices;
    for (const Sighting& sighting : sightings.replies) {
        DeviceFacts& facts =
            devices[{sighting.row.sender.address.hostOrder(), sighting.row.macAddress}];
        if (sighting.listed) {
            ++summary.listed;
            facts.listed = true;
        }
        facts.unasked = facts.unasked || sighting.version.fate == VersionFate::LocalFailure;
    }
    for (const Sighting& sighting : sightings.replies) {
        const DeviceFacts& facts =
            devices[{sighting.row.sender.address.hostOrder(), sighting.row.macAddress}];
        if (!facts.listed && sighting.version.fate == VersionFate::LocalFailure) {
            summary.localError = sighting.version.localError;
            break;
        }
    }
    summary.devices = static_cast<int>(devices.size());
    for (const auto& [key, facts] : devices) {
        if (!facts.listed) {
            ++summary.unlistedDevices;
            summary.unaskedDevices += facts.unasked ? 1 : 0;
        }
    }
    return summary;
}

}  // namespace tavro::discovery
