#pragma once

#include "discovery/sightings.h"

namespace tavro::discovery {

// What a front end tells beside the listed devices of one search. Devices are told apart by
// address and hardware address, so a device that replied twice is one device.
struct SightingsSummary {
    int listed = 0;           // replies the device list would list
    int devices = 0;          // devices that answered the probe
    int unlistedDevices = 0;  // of them, the ones with no reply listed
    int unaskedDevices = 0;   // of those, the ones this computer could not ask
    int localError = 0;       // why, from the first of them in reply order
};

SightingsSummary Summarize(const Sightings& sightings);

}  // namespace tavro::discovery
