#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"
#include "net/ipv4_address.h"

namespace tavro::discovery {

// How one device's version query ended. Only an answer is evidence that the device is there;
// only a device-side failure is evidence that it is not; a failure of this computer's own
// (no socket, no descriptor, no buffer) tells nothing of the device.
enum class VersionFate {
    Answered,      // two lines, the first a strict "SKETCH VER : <digits>" (strictVersion)
    Unreadable,    // the device answered, but with no version that reads strictly
    Silent,        // no byte came: the device refused, reset or closed the connection, or let
                   // the bound pass
    LocalFailure,  // this computer could not ask (localError says why)
};

// What a version query found out.
struct VersionFinding {
    VersionFate fate = VersionFate::Silent;
    std::optional<std::uint32_t> strictVersion;  // set exactly when fate is Answered
    int localError = 0;                          // the socket code, for LocalFailure
};

// One reply to the probe and what its version query found. `row` is filled as the device list
// fills it (the lenient reading of the answer, as the dialog shows it).
struct Sighting {
    DeviceRecord row;
    VersionFinding version;
    bool listed = false;  // the device list would list it: its answer had two CR-ended lines
};

// Everything one search saw, without the device list's bound of 256 rows.
struct Sightings {
    int error = 0;                  // the search itself failed (socket, wait): nothing else holds
    std::vector<Sighting> replies;  // every reply in the order it came; one that came twice is
                                    // here twice
    bool endedAtBound = false;      // the total bound stopped the search while replies still came
    int leftOut = 0;  // replies past the most one search keeps (4096), received and dropped
};

// Broadcasts one probe from localAddress and keeps every reply with its version query's fate.
// Queries run side by side, at most DeviceTable::kCapacity at once; a reply that finds them
// all running waits for a place instead of being dropped. Bounded as a device list search is,
// plus one version bound per 256 replies that had to wait. A reply from an address whose
// query is still running or waiting takes that query's finding rather than a query of its
// own, so a device that replies over and over does not stretch the search. Short of
// descriptors, the queries run as few at a time as this computer allows; a reply is
// LocalFailure only when not even one could run.
Sightings SearchEveryDevice(net::Ipv4Address localAddress, const DiscoveryOptions& options = {});

// Asks one address for its versions from localAddress, within options.versionTimeout.
VersionFinding QueryVersionOf(net::Ipv4Address localAddress, net::Ipv4Address device,
                              const DiscoveryOptions& options = {});

}  // namespace tavro::discovery
