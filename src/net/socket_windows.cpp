// mswsock.h builds on the types of winsock2.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
// clang-format on

#include <algorithm>
#include <climits>
#include <type_traits>
#include <utility>

#include "net/socket.h"
#include "net/socket_error.h"
#include "net/winsock_start.h"

// Winsock's codes are the layer's codes: WSAGetLastError needs no mapping. Winsock knows no
// signals, so no wait here is ever cut short by one.

namespace tavro::net {

static_assert(std::is_same_v<NativeSocket, SOCKET> && kNoSocket == INVALID_SOCKET);
static_assert(kStreamSocket == SOCK_STREAM && kDatagramSocket == SOCK_DGRAM);
static_assert(kErrorTimedOut == WSAETIMEDOUT && kErrorMessageSize == WSAEMSGSIZE &&
              kErrorWouldBlock == WSAEWOULDBLOCK && kErrorNotSocket == WSAENOTSOCK);

namespace {

using Clock = std::chrono::steady_clock;

int LastError() { return ::WSAGetLastError(); }

sockaddr_in ToSockaddr(const Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    address.sin_addr.s_addr = endpoint.address.networkOrder();
    return address;
}

Endpoint FromSockaddr(const sockaddr_in& address) {
    return Endpoint{Ipv4Address::FromNetworkOrder(address.sin_addr.s_addr),
                    ntohs(address.sin_port)};
}

// Winsock counts bytes in an int.
int LengthOf(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
}

// Waits for the events until the deadline. Returns 0 and the events seen (0 when the deadline
// passed), or an error code.
int PollUntil(SOCKET socket, short events, Clock::time_point deadline, short& seen) {
    seen = 0;
    if (socket == INVALID_SOCKET) {
        return kErrorNotSocket;
    }
    WSAPOLLFD entry{socket, events, 0};
    const int ready = ::WSAPoll(&entry, 1, MillisecondsLeft(deadline));
    if (ready == SOCKET_ERROR) {
        return LastError();
    }
    if (ready > 0) {
        if (entry.revents & POLLNVAL) {
            return kErrorNotSocket;
        }
        seen = entry.revents;
    }
    return 0;
}

// Waits until a connect under way ends, at most until the deadline. WSAPoll does not report a
// refused connect on every Windows, so this waits in select, whose except set does.
int AwaitConnect(SOCKET socket, Clock::time_point deadline) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    const int left = MillisecondsLeft(deadline);
    timeval limit{left / 1000, (left % 1000) * 1000};
    const int ready = ::select(0, nullptr, &writable, &failed, &limit);
    if (ready == SOCKET_ERROR) {
        return LastError();
    }
    if (ready == 0) {
        return kErrorTimedOut;
    }
    int pending = 0;
    int length = sizeof pending;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &length) !=
        0) {
        return LastError();
    }
    return pending;
}

int SetBlocking(SOCKET socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ::ioctlsocket(socket, FIONBIO, &nonBlocking) == 0 ? 0 : LastError();
}

int SetMilliseconds(SOCKET socket, int option, DWORD milliseconds) {
    return ::setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&milliseconds),
                        sizeof milliseconds) == 0
               ? 0
               : LastError();
}

// A datagram that reaches a port with no socket makes Windows fail the next receive with
// 10054 unless told otherwise; a device that went away must not end a search.
void IgnorePortUnreachable(SOCKET socket) {
    BOOL report = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
               nullptr);
}

}  // namespace

Socket::Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, kNoSocket)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, kNoSocket);
    }
    return *this;
}

Socket::~Socket() { Close(); }

Socket Socket::Create(int type, int& error) {
    error = StartWinsock();
    if (error != 0) {
        return Socket();
    }
    // Not inherited: a program started meanwhile must not hold the writer's ports.
    const SOCKET socket = ::WSASocketW(AF_INET, type, 0, nullptr, 0,
                                       WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        error = LastError();
        return Socket();
    }
    if (type == SOCK_DGRAM) {
        IgnorePortUnreachable(socket);
    }
    return Socket(socket);
}

void Socket::Close() {
    if (fd_ != kNoSocket) {
        ::closesocket(fd_);
        fd_ = kNoSocket;
    }
}

int Socket::Bind(const Endpoint& local) {
    const sockaddr_in address = ToSockaddr(local);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return LastError();
    }
    return 0;
}

int Socket::GetLocalEndpoint(Endpoint& local) const {
    sockaddr_in address{};
    int length = sizeof address;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return LastError();
    }
    local = FromSockaddr(address);
    return 0;
}

int Socket::Listen(int backlog) { return ::listen(fd_, backlog) == 0 ? 0 : LastError(); }

int Socket::SetBroadcast(bool on) {
    const BOOL value = on ? TRUE : FALSE;
    return ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&value),
                        sizeof value) == 0
               ? 0
               : LastError();
}

int Socket::SetReuseAddress(bool on) {
    const BOOL value = on ? TRUE : FALSE;
    return ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&value),
                        sizeof value) == 0
               ? 0
               : LastError();
}

int Socket::AllowRebindWhileLingering() { return 0; }

int Socket::SetHardClose() {
    const linger hard{1, 0};
    return ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
                        sizeof hard) == 0
               ? 0
               : LastError();
}

int Socket::ShutdownSending() { return ::shutdown(fd_, SD_SEND) == 0 ? 0 : LastError(); }

// Winsock has no call that wakes a wait on a listening socket short of closing it under the
// waiter: the wait ends at its own limit.
int Socket::StopListening() { return 0; }

int Socket::SetReceiveTimeout(std::chrono::milliseconds timeout) {
    // Zero would wait for ever; the shortest wait is one millisecond.
    const auto milliseconds =
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 1, MAXDWORD);
    return SetMilliseconds(fd_, SO_RCVTIMEO, static_cast<DWORD>(milliseconds));
}

int Socket::Connect(const Endpoint& remote, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    if (const int error = SetBlocking(fd_, false); error != 0) {
        return error;
    }
    // The socket goes back to blocking on every way out.
    struct RestoreBlocking {
        SOCKET socket;
        ~RestoreBlocking() { SetBlocking(socket, true); }
    } restore{fd_};

    const sockaddr_in address = ToSockaddr(remote);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return 0;
    }
    if (const int error = LastError(); error != WSAEWOULDBLOCK) {
        return error;
    }
    return AwaitConnect(fd_, deadline);
}

Socket Socket::Accept(std::chrono::milliseconds limit, int& error, Endpoint* peer) {
    const auto deadline = Clock::now() + limit;
    while (true) {
        short seen = 0;
        error = PollUntil(fd_, POLLIN, deadline, seen);
        if (error != 0) {
            return Socket();
        }
        if (seen == 0) {
            error = kErrorTimedOut;
            return Socket();
        }
        sockaddr_in address{};
        int length = sizeof address;
        const SOCKET socket = ::accept(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        if (socket != INVALID_SOCKET) {
            if (peer != nullptr) {
                *peer = FromSockaddr(address);
            }
            return Socket(socket);
        }
        // A connection that went away between the wait and the accept: wait for the next.
        error = LastError();
        if (error != WSAEWOULDBLOCK && error != WSAECONNRESET && error != WSAECONNABORTED) {
            return Socket();
        }
    }
}

int Socket::WaitReadable(std::chrono::milliseconds limit, bool& readable) {
    short seen = 0;
    const int error = PollUntil(fd_, POLLIN, Clock::now() + limit, seen);
    readable = error == 0 && seen != 0;
    return error;
}

IoResult Socket::SendTo(std::span<const char> data, const Endpoint& to) {
    const sockaddr_in address = ToSockaddr(to);
    const int sent = ::sendto(fd_, data.data(), LengthOf(data.size()), 0,
                              reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent == SOCKET_ERROR) {
        return IoResult{0, LastError()};
    }
    return IoResult{static_cast<std::size_t>(sent), 0};
}

IoResult Socket::SendAll(std::span<const char> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const int sent = ::send(fd_, data.data() + done, LengthOf(data.size() - done), 0);
        if (sent == SOCKET_ERROR) {
            return IoResult{done, LastError()};
        }
        done += static_cast<std::size_t>(sent);
    }
    return IoResult{done, 0};
}

// A blocking send on Windows takes the whole buffer or runs into SO_SNDTIMEO, which is set to
// what is left of the limit for each send; a send that runs out of time fails with 10060.
IoResult Socket::SendAllWithin(std::span<const char> data, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::size_t done = 0;
    IoResult result{0, 0};
    while (done < data.size()) {
        const int left = MillisecondsLeft(deadline);
        if (left == 0) {
            result.error = kErrorTimedOut;
            break;
        }
        if (const int error = SetMilliseconds(fd_, SO_SNDTIMEO, static_cast<DWORD>(left));
            error != 0) {
            result.error = error;
            break;
        }
        const int sent = ::send(fd_, data.data() + done, LengthOf(data.size() - done), 0);
        if (sent == SOCKET_ERROR) {
            result.error = LastError();
            break;
        }
        done += static_cast<std::size_t>(sent);
    }
    SetMilliseconds(fd_, SO_SNDTIMEO, 0);  // back to no limit
    result.count = done;
    return result;
}

namespace {

// One receive: a datagram that did not fit the area is reported with 10040 (Winsock drops
// its rest), never passed on cut short; a receive past SO_RCVTIMEO fails with 10060.
IoResult ReceiveMessage(SOCKET socket, std::span<char> area, sockaddr_in* from, bool& taken) {
    int length = sizeof *from;
    const int received = from != nullptr ? ::recvfrom(socket, area.data(), LengthOf(area.size()), 0,
                                                      reinterpret_cast<sockaddr*>(from), &length)
                                         : ::recv(socket, area.data(), LengthOf(area.size()), 0);
    if (received != SOCKET_ERROR) {
        taken = true;
        return IoResult{static_cast<std::size_t>(received), 0};
    }
    const int error = LastError();
    taken = error == WSAEMSGSIZE;
    return IoResult{0, error};
}

}  // namespace

IoResult Socket::ReceiveFrom(std::span<char> area, Endpoint& from) {
    sockaddr_in address{};
    bool taken = false;
    const IoResult result = ReceiveMessage(fd_, area, &address, taken);
    if (taken) {
        from = FromSockaddr(address);
    }
    return result;
}

IoResult Socket::ReceiveFromWithin(std::span<char> area, Endpoint& from,
                                   std::chrono::milliseconds limit) {
    short seen = 0;
    if (const int error = PollUntil(fd_, POLLIN, Clock::now() + limit, seen); error != 0) {
        return IoResult{0, error};
    }
    if (seen == 0) {
        return IoResult{0, kErrorTimedOut};
    }
    return ReceiveFrom(area, from);
}

IoResult Socket::Receive(std::span<char> area) {
    bool taken = false;
    return ReceiveMessage(fd_, area, nullptr, taken);
}

IoResult Socket::ReceiveWithin(std::span<char> area, std::chrono::milliseconds limit) {
    short seen = 0;
    if (const int error = PollUntil(fd_, POLLIN, Clock::now() + limit, seen); error != 0) {
        return IoResult{0, error};
    }
    if (seen == 0) {
        return IoResult{0, kErrorTimedOut};
    }
    return Receive(area);
}

// Nothing cuts a Winsock receive short, so the receive timeout alone bounds the wait.
IoResult Socket::ReceiveBounded(std::span<char> area, std::chrono::milliseconds) {
    return Receive(area);
}

}  // namespace tavro::net
