#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro::net {

namespace {

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

int ErrorOf(int error) {
    return WouldBlock(error) ? kErrorWouldBlock : WinsockErrorFromErrno(error);
}

}  // namespace

int SetNonBlocking(Socket& socket, bool on) {
    const int flags = ::fcntl(socket.fd(), F_GETFL);
    if (flags < 0 ||
        ::fcntl(socket.fd(), F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) != 0) {
        return WinsockErrorFromErrno(errno);
    }
    return 0;
}

int StartConnect(Socket& socket, const Endpoint& remote) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(remote.port);
    address.sin_addr.s_addr = remote.address.networkOrder();
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return 0;
    }
    // An interrupted connect goes on in the background, like one in progress.
    if (errno == EINPROGRESS || errno == EINTR) {
        return kErrorWouldBlock;
    }
    return WinsockErrorFromErrno(errno);
}

int ConnectOutcome(const Socket& socket) {
    int pending = 0;
    socklen_t length = sizeof pending;
    if (::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        return WinsockErrorFromErrno(errno);
    }
    return pending == 0 ? 0 : WinsockErrorFromErrno(pending);
}

IoResult SendNow(Socket& socket, std::span<const char> data) {
    while (true) {
        const ssize_t sent =
            ::send(socket.fd(), data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            return IoResult{static_cast<std::size_t>(sent), 0};
        }
        if (errno != EINTR) {
            return IoResult{0, ErrorOf(errno)};
        }
    }
}

IoResult ReceiveNow(Socket& socket, std::span<char> area, Endpoint* from) {
    iovec vector{area.data(), area.size()};
    while (true) {
        sockaddr_in address{};
        msghdr message{};
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_name = &address;
        message.msg_namelen = sizeof address;
        const ssize_t received = ::recvmsg(socket.fd(), &message, MSG_DONTWAIT);
        if (received >= 0) {
            if (message.msg_flags & MSG_TRUNC) {
                return IoResult{0, kErrorMessageSize};
            }
            if (from != nullptr) {
                *from = Endpoint{Ipv4Address::FromNetworkOrder(address.sin_addr.s_addr),
                                 ntohs(address.sin_port)};
            }
            return IoResult{static_cast<std::size_t>(received), 0};
        }
        if (errno != EINTR) {
            return IoResult{0, ErrorOf(errno)};
        }
    }
}

namespace {

short PollEvents(short wanted) {
    short events = 0;
    if (wanted & kCanRead) events |= POLLIN;
    if (wanted & kCanWrite) events |= POLLOUT;
    if (wanted & kPeerClosed) events |= POLLRDHUP;
    return events;
}

short SeenBits(short revents) {
    short seen = 0;
    if (revents & POLLIN) seen |= kCanRead;
    if (revents & POLLOUT) seen |= kCanWrite;
    if (revents & POLLRDHUP) seen |= kPeerClosed;
    if (revents & POLLERR) seen |= kFailed;
    if (revents & POLLHUP) seen |= kHungUp | kPeerClosed;
    if (revents & POLLNVAL) seen |= kNotSocket;
    return seen;
}

}  // namespace

int WaitForSockets(std::span<SocketWait> entries, std::chrono::milliseconds limit) {
    std::vector<pollfd> polled;
    polled.reserve(entries.size());
    for (SocketWait& entry : entries) {
        entry.seen = 0;
        polled.push_back(pollfd{entry.socket, PollEvents(entry.wanted), 0});
    }
    const int timeout = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        limit.count(), 0, std::numeric_limits<int>::max()));
    const int ready = ::poll(polled.data(), polled.size(), timeout);
    if (ready < 0) {
        // A signal only cuts this wait short; the caller's loop waits again.
        return errno == EINTR ? 0 : WinsockErrorFromErrno(errno);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].seen = SeenBits(polled[i].revents);
    }
    return 0;
}

}  // namespace tavro::net
