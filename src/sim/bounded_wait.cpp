#include "sim/bounded_wait.h"

#include <algorithm>
#include <thread>

namespace tavro::sim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kSlice{50};

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
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

bool Pause(std::chrono::milliseconds delay, std::stop_token stop) {
    const auto deadline = Clock::now() + delay;
    while (!stop.stop_requested()) {
        const auto left = Left(deadline);
        if (left.count() == 0) return true;
        std::this_thread::sleep_for(std::min(left, kSlice));
    }
    return false;
}

}  // namespace tavro::sim
