// A search waits on up to 256 version queries and its own socket at once; Winsock's fd_set
// is a plain array whose size the program chooses.
#define FD_SETSIZE 1024
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>
#include <thread>

#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro::net {

namespace {

int LastError() { return ::WSAGetLastError(); }

int LengthOf(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

}  // namespace

int SetNonBlocking(Socket& socket, bool on) {
    u_long nonBlocking = on ? 1 : 0;
    return ::ioctlsocket(socket.fd(), FIONBIO, &nonBlocking) == 0 ? 0 : LastError();
}

int StartConnect(Socket& socket, const Endpoint& remote) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(remote.port);
    address.sin_addr.s_addr = remote.address.networkOrder();
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return 0;
    }
    return LastError();  // WSAEWOULDBLOCK while it goes on: kErrorWouldBlock
}

int ConnectOutcome(const Socket& socket) {
    int pending = 0;
    int length = sizeof pending;
    if (::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending),
                     &length) != 0) {
        return LastError();
    }
    return pending;
}

IoResult SendNow(Socket& socket, std::span<const char> data) {
    const int sent = ::send(socket.fd(), data.data(), LengthOf(data.size()), 0);
    if (sent == SOCKET_ERROR) {
        return IoResult{0, LastError()};
    }
    return IoResult{static_cast<std::size_t>(sent), 0};
}

IoResult ReceiveNow(Socket& socket, std::span<char> area, Endpoint* from) {
    sockaddr_in address{};
    int length = sizeof address;
    const int received = ::recvfrom(socket.fd(), area.data(), LengthOf(area.size()), 0,
                                    reinterpret_cast<sockaddr*>(&address), &length);
    if (received == SOCKET_ERROR) {
        return IoResult{0, LastError()};  // an oversize datagram: WSAEMSGSIZE, 10040
    }
    if (from != nullptr) {
        *from = Endpoint{Ipv4Address::FromNetworkOrder(address.sin_addr.s_addr),
                         ntohs(address.sin_port)};
    }
    return IoResult{static_cast<std::size_t>(received), 0};
}

namespace {

using Clock = std::chrono::steady_clock;

// How often a socket whose unread data hides its peer's close is looked at again.
constexpr std::chrono::milliseconds kRecheck{20};

// Readable for a socket that only waits for its peer to go: gone when a peek finds the end of
// the stream or a reset; data still to read means the peer has not closed, as far as anyone can
// tell without reading it (Winsock shows an orderly close only behind the last byte).
short PeerClosedBits(SOCKET socket) {
    char byte = 0;
    const int peeked = ::recv(socket, &byte, 1, MSG_PEEK);
    if (peeked == 0) return kPeerClosed | kHungUp;
    if (peeked == SOCKET_ERROR && LastError() != WSAEWOULDBLOCK) {
        return kPeerClosed | kHungUp | kFailed;
    }
    return 0;
}

bool ReadableNow(SOCKET socket) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval now{0, 0};
    return ::select(0, &readable, nullptr, nullptr, &now) == 1;
}

// One select over the entries, for at most the wait. An entry marked in dataAhead is left out
// of the read set: its unread data would end every select at once. An entry that wants only
// its peer's close and finds data instead is marked there.
int SelectOnce(std::span<SocketWait> entries, std::span<bool> dataAhead,
               std::chrono::milliseconds wait) {
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    bool any = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if ((entries[i].wanted & (kCanRead | kPeerClosed)) && !dataAhead[i]) {
            FD_SET(entries[i].socket, &readable);
            any = true;
        }
        if (entries[i].wanted & kCanWrite) {
            FD_SET(entries[i].socket, &writable);
            FD_SET(entries[i].socket, &failed);
            any = true;
        }
    }
    // Winsock's select refuses three empty sets; a wait on nothing is a sleep.
    if (!any) {
        std::this_thread::sleep_for(wait);
        return 0;
    }
    const auto milliseconds = std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, INT_MAX);
    timeval limit{static_cast<long>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000};
    if (::select(0, &readable, &writable, &failed, &limit) == SOCKET_ERROR) {
        return LastError();
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SocketWait& entry = entries[i];
        if (FD_ISSET(entry.socket, &readable)) {
            if (entry.wanted & kCanRead) entry.seen |= kCanRead;
            if (entry.wanted & kPeerClosed) {
                const short closed = PeerClosedBits(entry.socket);
                entry.seen |= closed;
                dataAhead[i] = closed == 0 && !(entry.wanted & kCanRead);
            }
        }
        if (FD_ISSET(entry.socket, &writable)) entry.seen |= kCanWrite;
        if (FD_ISSET(entry.socket, &failed)) entry.seen |= kFailed;
    }
    return 0;
}

}  // namespace

// select, not WSAPoll: WSAPoll misses a refused connect on some Windows, and select's except
// set reports it. A socket that waits for its peer's close while unread data sits in it is
// looked at every few milliseconds instead, so that the wait neither ends early with nothing
// seen nor misses a reset; an orderly close behind that data shows only to a reader.
int WaitForSockets(std::span<SocketWait> entries, std::chrono::milliseconds limit) {
    if (entries.size() > FD_SETSIZE) {
        return kErrorInvalidArgument;
    }
    for (SocketWait& entry : entries) entry.seen = 0;
    const auto deadline = Clock::now() + std::max(limit, std::chrono::milliseconds(0));
    const auto marks = std::make_unique<bool[]>(entries.size());
    const std::span<bool> dataAhead(marks.get(), entries.size());
    while (true) {
        const auto left =
            std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                     std::chrono::milliseconds(0));
        const bool rechecking =
            std::find(dataAhead.begin(), dataAhead.end(), true) != dataAhead.end();
        const auto wait = rechecking ? std::min(left, kRecheck) : left;
        if (const int error = SelectOnce(entries, dataAhead, wait); error != 0) return error;
        bool seen = false;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (dataAhead[i] && entries[i].seen == 0 && ReadableNow(entries[i].socket)) {
                entries[i].seen |= PeerClosedBits(entries[i].socket);
            }
            seen = seen || entries[i].seen != 0;
        }
        if (seen || Clock::now() >= deadline) return 0;
    }
}

}  // namespace tavro::net
