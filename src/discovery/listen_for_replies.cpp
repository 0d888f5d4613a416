#include "discovery/listen_for_replies.h"

#include <algorithm>
#include <array>
#include <vector>

#include "discovery/fill_device_row.h"
#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro::discovery {

namespace {

using Clock = std::chrono::steady_clock;

// Datagrams taken in one go before the running queries get their turn again.
constexpr int kDatagramsPerTurn = 512;

struct Datagram {
    std::array<char, kDeviceReplySize> bytes{};
    std::size_t size = 0;
    net::Endpoint from;
};

// Takes what is waiting, up to one turn's worth. Returns the time of the last datagram, or
// lastDatagram when none was waiting.
Clock::time_point TakeWaiting(net::Socket& socket, VersionQueries& queries,
                              Clock::time_point lastDatagram) {
    // Everything waiting is received before any query starts: starting hundreds of connects
    // takes long enough for a burst of replies to overflow the socket's receive queue.
    std::vector<Datagram> replies;
    for (int i = 0; i < kDatagramsPerTurn; ++i) {
        Datagram datagram;
        const net::IoResult received = net::ReceiveNow(socket, datagram.bytes, &datagram.from);
        if (received.error == net::kErrorMessageSize) {
            lastDatagram = Clock::now();  // a datagram came, too long to be a reply
            continue;
        }
        if (!received.ok()) {
            break;  // nothing waiting, or an error that no datagram stands behind
        }
        lastDatagram = Clock::now();
        datagram.size = received.count;
        replies.push_back(datagram);
    }
    for (const Datagram& reply : replies) {
        DeviceRecord row;
        FillDeviceRow(std::span<const char>(reply.bytes.data(), reply.size), reply.from, row);
        queries.Take(row);
    }
    return lastDatagram;
}

}  // namespace

int ListenForReplies(net::Socket& socket, VersionQueries& queries, const DiscoveryOptions& options,
                     Clock::time_point probeSent, bool& endedAtBound) {
    endedAtBound = false;
    const Clock::time_point bound = probeSent + options.searchBound;
    Clock::time_point lastDatagram = probeSent;
    while (true) {
        const Clock::time_point now = Clock::now();
        const Clock::time_point quietEnd = lastDatagram + options.quietTime;
        if (now >= bound) {
            endedAtBound = now < quietEnd;
            return 0;
        }
        if (now >= quietEnd && !queries.running()) {
            return 0;
        }
        const Clock::time_point until = now < quietEnd ? std::min(quietEnd, bound) : bound;
        bool readable = false;
        if (const int error = queries.WaitOnce(socket.fd(), until, readable); error != 0) {
            return error;
        }
        if (readable) {
            lastDatagram = TakeWaiting(socket, queries, lastDatagram);
        }
    }
}

}  // namespace tavro::discovery
