#include "net/discovery/discover_devices.h"

#include <sys/socket.h>

#include <array>
#include <optional>

#include "net/discovery/fill_device_row.h"
#include "net/discovery/version_queries.h"
#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kProbe[] = {'T', 'V'};
constexpr std::uint32_t kLimitedBroadcast = 0xFFFFFFFFu;
// Datagrams taken in one go before the running queries get their turn again.
constexpr int kDatagramsPerTurn = 64;

std::optional<net::Socket> OpenProbeSocket(std::uint32_t local, const DiscoveryOptions& options) {
    int error = 0;
    net::Socket socket = net::Socket::Create(SOCK_DGRAM, error);
    if (error != 0 || socket.Bind(net::Endpoint{local, 0}) != 0 ||
        net::SetNonBlocking(socket) != 0) {
        return std::nullopt;
    }
    // Failures here only mean that no reply comes; the quiet wait then ends the search.
    socket.SetBroadcast(true);
    socket.SetReceiveTimeout(options.quietTime);
    return socket;
}

// The part of a search that listens on the probe socket: it knows when the last datagram
// came, and hands every reply to the queries.
class ReplyListener {
public:
    ReplyListener(net::Socket& socket, VersionQueries& queries, const DiscoveryOptions& options)
        : socket_(socket), queries_(queries), options_(options) {}

    void Start(Clock::time_point probeSent) {
        quietEnd_ = probeSent + options_.quietTime;
        bound_ = probeSent + options_.searchBound;
    }
    Clock::time_point quietEnd() const { return quietEnd_; }
    Clock::time_point bound() const { return bound_; }

    // Every datagram that is waiting, up to one turn's worth. Any datagram, even one that is
    // no reply, restarts the quiet stretch.
    void TakeWaiting() {
        for (int i = 0; i < kDatagramsPerTurn; ++i) {
            std::array<char, kDeviceReplySize> reply{};
            net::Endpoint from;
            const net::IoResult received = net::ReceiveNow(socket_, reply, &from);
            if (received.error == net::kErrorWouldBlock) {
                return;
            }
            quietEnd_ = Clock::now() + options_.quietTime;
            if (!received.ok()) {
                continue;  // dropped, e.g. longer than a reply
            }
            DeviceRecord row;
            FillDeviceRow(std::span<const char>(reply.data(), received.count), from, row);
            queries_.Take(row);
        }
    }

private:
    net::Socket& socket_;
    VersionQueries& queries_;
    const DiscoveryOptions& options_;
    Clock::time_point quietEnd_;
    Clock::time_point bound_;
};

// Listens until a quiet stretch has passed with no query running, or until the bound.
// 0 and whether the bound cut off datagrams that were still coming, or an error code.
int Listen(net::Socket& socket, ReplyListener& listener, VersionQueries& queries,
           bool& endedAtBound) {
    while (true) {
        const Clock::time_point now = Clock::now();
        if (now >= listener.bound()) {
            endedAtBound = now < listener.quietEnd();
            return 0;
        }
        // A query started late in the quiet stretch keeps the search listening until it ends.
        if (now >= listener.quietEnd() && !queries.running()) {
            return 0;
        }
        const Clock::time_point until =
            now < listener.quietEnd() ? std::min(listener.quietEnd(), listener.bound())
                                      : listener.bound();
        bool readable = false;
        if (const int error = queries.WaitOnce(socket.fd(), until, readable); error != 0) {
            return error;
        }
        if (readable) {
            listener.TakeWaiting();
        }
    }
}

}  // namespace

int DiscoverDevices(DeviceTable& table, const std::string& localAddress,
                    const DiscoveryOptions& options, SearchOutcome* outcome) {
    SearchOutcome ignored;
    SearchOutcome& result = outcome != nullptr ? *outcome : ignored;
    result = SearchOutcome(-1);
    table.deviceCount = 0;

    const auto local = net::ParseIPv4(localAddress);
    if (!local) {
        return -1;
    }
    std::optional<net::Socket> socket = OpenProbeSocket(*local, options);
    if (!socket) {
        return -1;
    }
    VersionQueries queries(*local, options);
    ReplyListener listener(*socket, queries, options);
    socket->SendTo(kProbe, net::Endpoint{kLimitedBroadcast, options.probePort});
    listener.Start(Clock::now());

    bool endedAtBound = false;
    if (Listen(*socket, listener, queries, endedAtBound) != 0) {
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

}  // namespace tavro
