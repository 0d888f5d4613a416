#pragma once

#include "discovery/discovery_options.h"
#include "discovery/version_queries.h"
#include "net/ipv4_address.h"

namespace tavro::discovery {

// The exchange of one search: broadcasts one probe from localAddress, hands every reply to
// the queries (ListenForReplies), then lets the queries still running end on their bounds.
// endedAtBound: the total bound stopped the listening while replies still came.
// 0, or the code of the failure that ended the search (socket set-up or a wait); -1 when the
// failure left no code.
int ProbeAndListen(net::Ipv4Address localAddress, const DiscoveryOptions& options,
                   VersionQueries& queries, bool& endedAtBound);

}  // namespace tavro::discovery
