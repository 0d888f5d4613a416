#pragma once

#include <chrono>

#include "discovery/discovery_options.h"
#include "discovery/version_queries.h"
#include "net/socket.h"

namespace tavro::discovery {

// Takes every datagram that comes to the (non-blocking) probe socket as one device's reply
// and hands it to the queries, which start its version query at once. Any datagram, even one
// too long to be a reply, restarts the quiet stretch.
//
// Listening goes on while a quiet stretch has not passed since the last datagram, and also
// while a query is running: a query started late in the quiet stretch keeps it open, so that
// replies which come meanwhile are not lost. It stops at options.searchBound after probeSent
// whatever comes; endedAtBound then tells whether datagrams were still arriving (the quiet
// stretch had not passed). Queries still running are left running.
//
// 0, or the error code of a failed wait.
int ListenForReplies(net::Socket& socket, VersionQueries& queries, const DiscoveryOptions& options,
                     std::chrono::steady_clock::time_point probeSent, bool& endedAtBound);

}  // namespace tavro::discovery
