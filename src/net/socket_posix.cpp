#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "net/socket.h"
#include "net/socket_error.h"

namespace tavro::net {

static_assert(kStreamSocket == SOCK_STREAM && kDatagramSocket == SOCK_DGRAM);

namespace {

using Clock = std::chrono::steady_clock;

int LastError() { return WinsockErrorFromErrno(errno); }

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

// Waits for the events until the deadline; a signal only shortens the remaining wait.
// Returns 0 and the events seen (0 when the deadline passed), or an error code.
int PollUntil(int fd, short events, Clock::time_point deadline, short& seen) {
    seen = 0;
    if (fd < 0) {
        return kErrorNotSocket;  // poll would skip it and merely wait out the limit
    }
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int timeout = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) {
            if (entry.revents & POLLNVAL) {
                return kErrorNotSocket;
            }
            seen = entry.revents;
            return 0;
        }
        if (ready == 0) {
            seen = 0;
            return 0;
        }
        if (errno != EINTR) {
            return LastError();
        }
    }
}

// A blocking receive that ran past SO_RCVTIMEO reports EAGAIN; Winsock calls that a time-out.
int ReceiveError() {
    return errno == EAGAIN || errno == EWOULDBLOCK ? kErrorTimedOut : LastError();
}

}  // namespace

Socket::Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Socket::~Socket() { Close(); }

Socket Socket::Create(int type, int& error) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    error = fd < 0 ? LastError() : 0;
    return Socket(fd);
}

void Socket::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
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
    socklen_t length = sizeof address;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return LastError();
    }
    local = FromSockaddr(address);
    return 0;
}

int Socket::Listen(int backlog) { return ::listen(fd_, backlog) == 0 ? 0 : LastError(); }

int Socket::SetBroadcast(bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0 ? 0 : LastError();
}

int Socket::SetReuseAddress(bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) == 0 ? 0 : LastError();
}

int Socket::AllowRebindWhileLingering() { return SetReuseAddress(true); }

int Socket::SetHardClose() {
    const linger hard{1, 0};
    return ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard) == 0 ? 0 : LastError();
}

int Socket::ShutdownSending() { return ::shutdown(fd_, SHUT_WR) == 0 ? 0 : LastError(); }

// A listener shut down stops listening and wakes every poll on it with POLLHUP.
int Socket::StopListening() { return ::shutdown(fd_, SHUT_RDWR) == 0 ? 0 : LastError(); }

int Socket::SetReceiveTimeout(std::chrono::milliseconds timeout) {
    timeval value{};
    if (timeout.count() > 0) {
        value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
        value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    } else {
        value.tv_usec = 1;  // zero would wait for ever
    }
    return ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value) == 0 ? 0 : LastError();
}

int Socket::Connect(const Endpoint& remote, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) != 0) {
        return LastError();
    }
    // The socket goes back to blocking on every way out.
    struct RestoreFlags {
        int fd;
        int flags;
        ~RestoreFlags() { ::fcntl(fd, F_SETFL, flags); }
    } restore{fd_, flags};

    const sockaddr_in address = ToSockaddr(remote);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return 0;
    }
    // An interrupted non-blocking connect goes on in the background, like one in progress.
    if (errno != EINPROGRESS && errno != EINTR) {
        return LastError();
    }
    short seen = 0;
    if (const int error = PollUntil(fd_, POLLOUT, deadline, seen); error != 0) {
        return error;
    }
    if (seen == 0) {
        return kErrorTimedOut;
    }
    int pending = 0;
    socklen_t length = sizeof pending;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        return LastError();
    }
    return pending == 0 ? 0 : WinsockErrorFromErrno(pending);
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
        socklen_t length = sizeof address;
        const int fd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
        if (fd >= 0) {
            if (peer != nullptr) {
                *peer = FromSockaddr(address);
            }
            return Socket(fd);
        }
        // A connection that went away between the wait and the accept: wait for the next.
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED) {
            error = LastError();
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
    while (true) {
        const ssize_t sent = ::sendto(fd_, data.data(), data.size(), MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (sent >= 0) {
            return IoResult{static_cast<std::size_t>(sent), 0};
        }
        if (errno != EINTR) {
            return IoResult{0, LastError()};
        }
    }
}

IoResult Socket::SendAll(std::span<const char> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t sent = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (sent >= 0) {
            done += static_cast<std::size_t>(sent);
        } else if (errno != EINTR) {
            return IoResult{done, LastError()};
        }
    }
    return IoResult{done, 0};
}

IoResult Socket::SendAllWithin(std::span<const char> data, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t sent =
            ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return IoResult{done, LastError()};
        }
        // The buffer is full: the peer is not reading. Wait for room, not past the deadline;
        // an error condition wakes the wait too and the next send reports it.
        short seen = 0;
        if (const int error = PollUntil(fd_, POLLOUT, deadline, seen); error != 0) {
            return IoResult{done, error};
        }
        if (seen == 0) {
            return IoResult{done, kErrorTimedOut};
        }
    }
    return IoResult{done, 0};
}

namespace {

// One recvmsg: a datagram that did not fit the area is reported, never passed on cut short.
IoResult ReceiveMessage(int fd, std::span<char> area, sockaddr_in* from, bool& taken,
                        int flags = 0) {
    taken = false;
    iovec vector{area.data(), area.size()};
    while (true) {
        msghdr message{};
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        if (from != nullptr) {
            *from = sockaddr_in{};
            message.msg_name = from;
            message.msg_namelen = sizeof *from;
        }
        const ssize_t received = ::recvmsg(fd, &message, flags);
        if (received >= 0) {
            taken = true;
            if (message.msg_flags & MSG_TRUNC) {
                return IoResult{0, kErrorMessageSize};
            }
            return IoResult{static_cast<std::size_t>(received), 0};
        }
        if (errno != EINTR) {
            return IoResult{0, ReceiveError()};
        }
    }
}

// Waits up to the deadline for data, then takes it without blocking; `taken` and `from` as for
// ReceiveMessage. Readiness can be spurious: a receive that would block goes back to waiting.
IoResult ReceiveReadyBefore(int fd, std::span<char> area, sockaddr_in* from, bool& taken,
                            Clock::time_point deadline) {
    while (true) {
        short seen = 0;
        if (const int error = PollUntil(fd, POLLIN, deadline, seen); error != 0) {
            return IoResult{0, error};
        }
        if (seen == 0) {
            return IoResult{0, kErrorTimedOut};
        }
        const IoResult result = ReceiveMessage(fd, area, from, taken, MSG_DONTWAIT);
        if (taken || result.error != kErrorTimedOut) {
            return result;
        }
    }
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
    sockaddr_in address{};
    bool taken = false;
    const IoResult result = ReceiveReadyBefore(fd_, area, &address, taken, Clock::now() + limit);
    if (taken) {
        from = FromSockaddr(address);
    }
    return result;
}

IoResult Socket::Receive(std::span<char> area) {
    bool taken = false;
    return ReceiveMessage(fd_, area, nullptr, taken);
}

IoResult Socket::ReceiveWithin(std::span<char> area, std::chrono::milliseconds limit) {
    bool taken = false;
    return ReceiveReadyBefore(fd_, area, nullptr, taken, Clock::now() + limit);
}

IoResult Socket::ReceiveBounded(std::span<char> area, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    bool shortened = false;
    IoResult result;
    while (true) {
        const ssize_t received = ::recv(fd_, area.data(), area.size(), 0);
        if (received >= 0) {
            result = IoResult{static_cast<std::size_t>(received), 0};
            break;
        }
        if (errno != EINTR) {
            result = IoResult{0, ReceiveError()};
            break;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            // The signal may have stopped the process past the limit (SIGSTOP, SIGTSTP) while
            // the peer's bytes came in: those came in time, and are read without waiting.
            const ssize_t late = ::recv(fd_, area.data(), area.size(), MSG_DONTWAIT);
            result = late >= 0 ? IoResult{static_cast<std::size_t>(late), 0}
                               : IoResult{0, ReceiveError()};
            break;
        }
        SetReceiveTimeout(left);
        shortened = true;
    }
    if (shortened) {
        SetReceiveTimeout(limit);
    }
    return result;
}

}  // namespace tavro::net
