#include "discovery/version_query.h"

#include <vector>

#include "discovery/version_queries.h"
#include "net/socket.h"

namespace tavro::discovery {

int QueryDeviceVersion(DeviceRecord& row, net::Ipv4Address localAddress,
                       const DiscoveryOptions& options) {
    VersionQueries queries(localAddress, options);
    queries.Take(row);
    if (queries.Finish() != 0) {
        return 0;
    }
    const std::vector<const DeviceRecord*> answered = queries.AnsweredRows();
    if (answered.empty()) {
        return 0;
    }
    // Only the numbers are the query's to write.
    row.sketchVersion = answered.front()->sketchVersion;
    row.textVersion = answered.front()->textVersion;
    return 1;
}

}  // namespace tavro::discovery
