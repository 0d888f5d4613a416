// A search waits on up to 256 version queries and its own socket at once; Winsock's fd_set
// is a plain array whose size the program chooses.
#define FD_SETSIZE 1024
#include <winsock2.h>

#include <algorithm>
#include <climits>
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

// Readable for a socket that only waits for its peer to go: gone when a peek finds the end of
// the stream or a reset; data still to read means the peer has not closed.
short PeerClosedBits(SOCKET socket) {
    char byte = 0;
    const int peeked = ::recv(socket, &byte, 1, MSG_PEEK);
    if (peeked == 0) return kPeerClosed | kHungUp;
    if (peeked == SOCKET_ERROR && LastError() != WSAEWOULDBLOCK) {
        return kPeerClosed | kHungUp | kFailed;
    }
    return 0;
}

}  // namespace

// select, not WSAPoll: WSAPoll misses a refused connect on some Windows, and select's except
// set reports it.
int WaitForSockets(std::span<SocketWait> entries, std::chrono::milliseconds limit) {
    if (entries.size() > FD_SETSIZE) {
        return kErrorInvalidArgument;
    }
    const auto milliseconds = std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, INT_MAX);
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    bool any = false;
    for (SocketWait& entry : entries) {
        entry.seen = 0;
        if (entry.wanted & (kCanRead | kPeerClosed)) {
            FD_SET(entry.socket, &readable);
            any = true;
        }
        if (entry.wanted & kCanWrite) {
            FD_SET(entry.socket, &writable);
            FD_SET(entry.socket, &failed);
            any = true;
        }
    }
    // Winsock's select refuses three empty sets; a wait on nothing is a sleep.
    if (!any) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return 0;
    }
    timeval wait{static_cast<long>(milliseconds / 1000),
                 static_cast<long>(milliseconds % 1000) * 1000};
    const int ready = ::select(0, &readable, &writable, &failed, &wait);
    if (ready == SOCKET_ERROR) {
        return LastError();
    }
    for (SocketWait& entry : entries) {
        if (FD_ISSET(entry.socket, &readable)) {
            if (entry.wanted & kCanRead) entry.seen |= kCanRead;
            if (entry.wanted & kPeerClosed) entry.seen |= PeerClosedBits(entry.socket);
        }
        if (FD_ISSET(entry.socket, &writable)) entry.seen |= kCanWrite;
        if (FD_ISSET(entry.socket, &failed)) entry.seen |= kFailed;
    }
    return 0;
}

}  // namespace tavro::net
