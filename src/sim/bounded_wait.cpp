#include "sim/bounded_wait.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "net/socket_error.h"

namespace tavro::sim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kSlice{50};

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
}

// Polls for the events in slices, so that a stop is seen within one slice.
WaitOutcome PollFor(net::Socket& socket, short events, std::chrono::milliseconds limit,
                    std::stop_token stop, short& seen) {
    const auto deadline = Clock::now() + limit;
    while (!stop.stop_requested()) {
        const auto left = Left(deadline);
        pollfd entry{socket.fd(), events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::min(left, kSlice).count()));
        if (ready < 0 && errno != EINTR) return WaitOutcome::Failed;
        if (ready > 0) {
            seen = entry.revents;
            return (seen & POLLNVAL) != 0 ? WaitOutcome::Failed : WaitOutcome::Ready;
        }
        if (left <= kSlice) return WaitOutcome::TimedOut;
    }
    return WaitOutcome::Stopped;
}

}  // namespace

WaitOutcome WaitReadable(net::Socket& socket, std::chrono::milliseconds limit,
                         std::stop_token stop) {
    const auto deadline = Clock::now() + limit;
    while (!stop.stop_requested()) {
        const auto left = Left(deadline);
        bool readable = false;
        if (socket.WaitReadable(std::min(left, kSlice), readable) != 0) return WaitOutcome::Failed;
        if (readable) return WaitOutcome::Ready;
        if (left <= kSlice) return WaitOutcome::TimedOut;
    }
    return WaitOutcome::Stopped;
}

int ConnectWithin(net::Socket& socket, const net::Endpoint& remote, std::chrono::milliseconds limit,
                  std::stop_token stop) {
    const int flags = ::fcntl(socket.fd(), F_GETFL);
    if (flags < 0 || ::fcntl(socket.fd(), F_SETFL, flags | O_NONBLOCK) != 0) {
        return net::WinsockErrorFromErrno(errno);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(remote.port);
    address.sin_addr.s_addr = remote.address;
    int error = 0;
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno == EINPROGRESS || errno == EINTR ? 0 : net::WinsockErrorFromErrno(errno);
        short seen = 0;
        const WaitOutcome done =
            error == 0 ? PollFor(socket, POLLOUT, limit, stop, seen) : WaitOutcome::Failed;
        if (done == WaitOutcome::TimedOut) error = net::kErrorTimedOut;
        if (done == WaitOutcome::Stopped) error = net::kErrorInterrupted;
        if (done == WaitOutcome::Ready) {
            int pending = 0;
            socklen_t length = sizeof pending;
            ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &pending, &length);
            error = pending == 0 ? 0 : net::WinsockErrorFromErrno(pending);
        }
        if (done == WaitOutcome::Failed && error == 0) error = net::kErrorNotSocket;
    }
    ::fcntl(socket.fd(), F_SETFL, flags);
    return error;
}

WaitOutcome SendWithin(net::Socket& socket, std::string_view bytes, std::chrono::milliseconds limit,
                       std::stop_token stop) {
    const auto deadline = Clock::now() + limit;
    while (!bytes.empty()) {
        const ssize_t sent =
            ::send(socket.fd(), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return WaitOutcome::Failed;
        }
        short seen = 0;
        const WaitOutcome room = PollFor(socket, POLLOUT, Left(deadline), stop, seen);
        if (room != WaitOutcome::Ready) return room;
        if ((seen & (POLLERR | POLLHUP)) != 0) return WaitOutcome::Failed;
    }
    return WaitOutcome::Ready;
}

WaitOutcome WaitPeerGone(net::Socket& socket, std::chrono::milliseconds limit,
                         std::stop_token stop) {
    short seen = 0;
    return PollFor(socket, POLLRDHUP, limit, stop, seen);
}

bool Pause(std::chrono::milliseconds delay, std::stop_token stop) {
    return PauseUntil(Clock::now() + delay, stop);
}

bool PauseUntil(Clock::time_point moment, std::stop_token stop) {
    while (!stop.stop_requested()) {
        const auto left = moment - Clock::now();
        if (left <= Clock::duration::zero()) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, kSlice));
    }
    return false;
}

const char* OutcomeText(WaitOutcome outcome) {
    switch (outcome) {
        case WaitOutcome::Ready:
            return "ready";
        case WaitOutcome::TimedOut:
            return "limit";
        case WaitOutcome::Stopped:
            return "stopped";
        case WaitOutcome::Failed:
            return "failed";
    }
    return "failed";
}

}  // namespace tavro::sim
