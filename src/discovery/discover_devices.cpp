#include "discovery/discover_devices.h"

#include "discovery/probe_and_listen.h"
#include "discovery/version_queries.h"

namespace tavro::discovery {

int DiscoverDevices(DeviceTable& table, net::Ipv4Address localAddress,
                    const DiscoveryOptions& options, SearchOutcome* outcome) {
    SearchOutcome ignored;
    SearchOutcome& result = outcome != nullptr ? *outcome : ignored;
    result = SearchOutcome(-1);
    table.deviceCount = 0;

    VersionQueries queries(localAddress, options, VersionQueries::Overflow::drop);
    bool endedAtBound = false;
    if (ProbeAndListen(localAddress, options, queries, endedAtBound) != 0) {
        return -1;
    }
    result.count = queries.WriteTable(table);
    result.unlistedReplies = queries.unlisted();
    result.endedAtBound = endedAtBound;
    return result.count;
}

}  // namespace tavro::discovery
