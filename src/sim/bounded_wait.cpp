#include "sim/bounded_wait.h"

#include <algorithm>
#include <thread>

#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro::sim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kSlice{50};

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
}

// Waits for the events in slices, so that a stop is seen within one slice.
WaitOutcome PollFor(net::Socket& socket, short wanted, std::chrono::milliseconds limit,
                    std::stop_token stop, short& seen) {
    const auto deadline = Clock::now() + limit;
    while (!stop.stop_requested()) {
        const auto left = Left(deadline);
        net::SocketWait entry{socket.fd(), wanted, 0};
        if (net::WaitForSockets({&entry, 1}, std::min(left, kSlice)) != 0) {
            return WaitOutcome::Failed;
        }
        if (entry.seen != 0) {
            seen = entry.seen;
            return (seen & net::kNotSocket) != 0 ? WaitOutcome::Failed : WaitOutcome::Ready;
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
    if (const int error = net::SetNonBlocking(socket); error != 0) return error;
    int error = net::StartConnect(socket, remote);
    if (error == net::kErrorWouldBlock) {
        short seen = 0;
        const WaitOutcome done = PollFor(socket, net::kCanWrite, limit, stop, seen);
        if (done == WaitOutcome::Ready) error = net::ConnectOutcome(socket);
        if (done == WaitOutcome::TimedOut) error = net::kErrorTimedOut;
        if (done == WaitOutcome::Stopped) error = net::kErrorInterrupted;
        if (done == WaitOutcome::Failed) error = net::kErrorNotSocket;
    }
    net::SetNonBlocking(socket, false);
    return error;
}

WaitOutcome SendWithin(net::Socket& socket, std::string_view bytes, std::chrono::milliseconds limit,
                       std::stop_token stop) {
    // Non-blocking for the sends only: the device's other calls wait as ever.
    if (net::SetNonBlocking(socket) != 0) return WaitOutcome::Failed;
    const auto deadline = Clock::now() + limit;
    WaitOutcome outcome = WaitOutcome::Ready;
    while (!bytes.empty()) {
        const net::IoResult sent = net::SendNow(socket, bytes);
        if (sent.ok()) {
            bytes.remove_prefix(sent.count);
            continue;
        }
        if (sent.error != net::kErrorWouldBlock) {
            outcome = WaitOutcome::Failed;
            break;
        }
        short seen = 0;
        outcome = PollFor(socket, net::kCanWrite, Left(deadline), stop, seen);
        if (outcome != WaitOutcome::Ready) break;
        if ((seen & (net::kFailed | net::kHungUp)) != 0) {
            outcome = WaitOutcome::Failed;
            break;
        }
    }
    net::SetNonBlocking(socket, false);
    return outcome;
}

WaitOutcome WaitPeerGone(net::Socket& socket, std::chrono::milliseconds limit,
                         std::stop_token stop) {
    short seen = 0;
    return PollFor(socket, net::kPeerClosed, limit, stop, seen);
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
