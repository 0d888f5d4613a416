#include "discovery/discover_devices.h"

#include <optional>

#include "discovery/listen_for_replies.h"
#include "discovery/version_queries.h"
#include "net/nonblocking_io.h"

namespace tavro::discovery {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kProbe[] = {'T', 'V'};

std::optional<net::Socket> OpenProbeSocket(net::Ipv4Address local,
                                           const DiscoveryOptions& options) {
    int error = 0;
    net::Socket socket = net::Socket::Create(net::kDatagramSocket, error);
    if (error != 0 || socket.Bind(net::Endpoint{local, 0}) != 0 ||
        net::SetNonBlocking(socket) != 0) {
        return std::nullopt;
    }
    // Failures here only mean that no reply comes; the quiet wait then ends the search.
    socket.SetBroadcast(true);
    socket.SetReceiveTimeout(options.quietTime);
    return socket;
}

}  // namespace

int DiscoverDevices(DeviceTable& table, net::Ipv4Address localAddress,
                    const DiscoveryOptions& options, SearchOutcome* outcome) {
    SearchOutcome ignored;
    SearchOutcome& result = outcome != nullptr ? *outcome : ignored;
    result = SearchOutcome(-1);
    table.deviceCount = 0;

    std::optional<net::Socket> socket = OpenProbeSocket(localAddress, options);
    if (!socket) {
        return -1;
    }
    VersionQueries queries(localAddress, options);
    socket->SendTo(kProbe, net::Endpoint{net::kBroadcastAddress, options.probePort});
    bool endedAtBound = false;
    if (ListenForReplies(*socket, queries, options, Clock::now(), endedAtBound) != 0) {
        return -1;
    }
    // No more datagrams: the queries still running get the rest of their own bound.
    socket->Close();
    if (queries.Finish() != 0) {
        return -1;
    }
    result.count = queries.WriteTable(table);
    result.unlistedReplies = queries.unlisted();
    result.endedAtBound = endedAtBound;
    return result.count;
}

}  // namespace tavro::discovery
