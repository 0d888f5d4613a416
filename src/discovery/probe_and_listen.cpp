#include "discovery/probe_and_listen.h"

#include "discovery/listen_for_replies.h"
#include "net/nonblocking_io.h"

namespace tavro::discovery {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kProbe[] = {'T', 'V'};

int OpenProbeSocket(net::Ipv4Address local, const DiscoveryOptions& options, net::Socket& socket) {
    if (const int error = net::OpenNonBlocking(net::kDatagramSocket, {local, 0}, socket);
        error != 0) {
        return error;
    }
    // Failures here only mean that no reply comes; the quiet wait then ends the search.
    socket.SetBroadcast(true);
    socket.SetReceiveTimeout(options.quietTime);
    return 0;
}

}  // namespace

int ProbeAndListen(net::Ipv4Address localAddress, const DiscoveryOptions& options,
                   VersionQueries& queries, bool& endedAtBound) {
    endedAtBound = false;
    net::Socket socket;
    if (const int error = OpenProbeSocket(localAddress, options, socket); error != 0) {
        return error;
    }
    socket.SendTo(kProbe, net::Endpoint{net::kBroadcastAddress, options.probePort});
    if (const int error = ListenForReplies(socket, queries, options, Clock::now(), endedAtBound);
        error != 0) {
        return error;
    }
    // No more datagrams: the queries still running get the rest of their own bound.
    socket.Close();
    return queries.Finish();
}

}  // namespace tavro::discovery
