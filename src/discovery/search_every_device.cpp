#include <cstring>

#include "discovery/probe_and_listen.h"
#include "discovery/query_failure.h"
#include "discovery/sightings.h"
#include "discovery/version_queries.h"
#include "net/socket_error.h"

namespace tavro::discovery {

Sightings SearchEveryDevice(net::Ipv4Address localAddress, const DiscoveryOptions& options) {
    VersionQueries queries(localAddress, options, VersionQueries::Overflow::wait);
    Sightings sightings;
    if (const int error = ProbeAndListen(localAddress, options, queries, sightings.endedAtBound);
        error != 0) {
        sightings.error = error;
        sightings.endedAtBound = false;
        return sightings;
    }
    sightings.replies = queries.Sightings();
    sightings.leftOut = queries.unlisted();
    return sightings;
}

VersionFinding QueryVersionOf(net::Ipv4Address localAddress, net::Ipv4Address device,
                              const DiscoveryOptions& options) {
    VersionQueries queries(localAddress, options, VersionQueries::Overflow::wait, 1);
    DeviceRecord row;
    const std::string address = device.ToString();
    std::strncpy(row.addressText, address.c_str(), sizeof row.addressText - 1);
    queries.Take(row);
    // A wait that failed is this computer's failure: it says nothing of the device.
    if (const int error = queries.Finish(); error != 0) {
        return LocalFailureFinding(error);
    }
    const std::vector<Sighting> sightings = queries.Sightings();
    return sightings.empty() ? LocalFailureFinding(net::kErrorInvalidArgument)
                             : sightings.front().version;
}

}  // namespace tavro::discovery
