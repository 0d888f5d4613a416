#include "net/discovery/listen_for_replies.h"

#include <algorithm>
#include <array>

#include "net/discovery/fill_device_row.h"
#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro {

namespace {

using Clock = std::chrono::steady_clock;

// Datagrams taken in one go before the running queries get their turn again.
constexpr int kDatagramsPerTurn = 64;

// Takes what is waiting, up to one turn's worth. Returns the time of the last datagram, or
// lastDatagram when none was waiting.
Clock::time_point TakeWaiting(net::Socket& socket, VersionQueries& queries,
                              Clock::time_point lastDatagram) {
    for (int i = 0; i < kDatagramsPerTurn; ++i) {
        std::array<char, kDeviceReplySize> reply{};
        net::Endpoint from;
        const net::IoResult received = net::ReceiveNow(socket, reply, &from);
        if (received.error == net::kErrorWouldBlock) {
            break;
        }
        lastDatagram = Clock::now();
        if (!received.ok()) {
            continue;  // dropped, e.g. longer than a reply
        }
        DeviceRecord row;
        FillDeviceRow(std::span<const char>(reply.data(), received.count), from, row);
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

}  // namespace tavro
