#include "upload/connect_back_listener.h"

#include <algorithm>
#include <thread>

#include "log/append_log.h"
#include "net/socket_error.h"

namespace tavro::upload {
namespace {

// A waiter gives up the accept this often, so that another waiter whose deadline comes first
// gets its turn and ends on time.
constexpr std::chrono::milliseconds kTurn{100};
// Out of descriptors or buffers for a moment: the connection stays queued, and the accept is
// tried again after this pause rather than failing the upload.
constexpr std::chrono::milliseconds kShortagePause{20};

bool IsShortage(int error) {
    return error == net::kErrorTooManySockets || error == net::kErrorNoBuffers ||
           error == net::kErrorConnectionAborted || error == net::kErrorConnectionReset;
}

}  // namespace

ConnectBackListener::ConnectBackListener(net::Socket listening, net::Endpoint local)
    : local_(local), socket_(std::move(listening)) {}

ConnectBackListener::Expectation::Expectation(ConnectBackListener& listener,
                                              net::Ipv4Address device)
    : listener_(listener), device_(device) {
    std::lock_guard lock(listener_.mutex_);
    listener_.expected_.try_emplace(device_);
}

ConnectBackListener::Expectation::~Expectation() {
    std::lock_guard lock(listener_.mutex_);
    listener_.expected_.erase(device_);
}

void ConnectBackListener::Expectation::Accepted(Clock::time_point invitationSent) {
    std::lock_guard lock(listener_.mutex_);
    Expected& expected = listener_.expected_[device_];
    expected.accepted = true;
    expected.invitationSent = invitationSent;
    if (expected.waiting.valid() && expected.arrived < invitationSent) expected.waiting.Close();
}

net::Socket ConnectBackListener::TakeWaiting(net::Ipv4Address device) {
    const auto found = expected_.find(device);
    if (found == expected_.end() || !found->second.accepted) return {};
    return std::move(found->second.waiting);
}

bool ConnectBackListener::Place(net::Socket connection, net::Ipv4Address peer) {
    const auto found = expected_.find(peer);
    if (found == expected_.end()) return false;
    // The one that came last stands: a device that connects again has given up its earlier try.
    found->second.waiting = std::move(connection);
    found->second.arrived = Clock::now();
    turnOver_.notify_all();
    return true;
}

bool ConnectBackListener::AcceptOnce(std::unique_lock<std::mutex>& lock,
                                     std::chrono::milliseconds limit, LogSink& log, int& error) {
    accepting_ = true;
    lock.unlock();
    net::Endpoint peer;
    int failure = 0;
    net::Socket connection = socket_.Accept(limit, failure, &peer);
    if (!connection.valid() && IsShortage(failure)) std::this_thread::sleep_for(kShortagePause);
    lock.lock();
    accepting_ = false;
    turnOver_.notify_all();

    if (!connection.valid()) {
        if (failure == net::kErrorTimedOut || IsShortage(failure)) return true;
        error = failure;
        return false;
    }
    if (Place(std::move(connection), peer.address)) return true;
    // Anyone may connect; the image is for the devices only. The stranger's socket is already
    // closed; the trace may wait on its reader, so the others are not kept waiting meanwhile.
    lock.unlock();
    AppendLog(log, "ignored connection from %s\r\n", peer.address.ToString().c_str());
    lock.lock();
    return true;
}

net::Socket ConnectBackListener::Expectation::Accept(std::chrono::milliseconds limit, LogSink& log,
                                                     int& error) {
    const auto deadline = Clock::now() + limit;
    std::unique_lock lock(listener_.mutex_);
    while (true) {
        if (net::Socket mine = listener_.TakeWaiting(device_); mine.valid()) return mine;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            error = net::kErrorTimedOut;
            return {};
        }
        if (listener_.accepting_) {
            listener_.turnOver_.wait_until(lock, deadline);
        } else if (!listener_.AcceptOnce(lock, std::min(left, kTurn), log, error)) {
            return {};
        }
    }
}

}  // namespace tavro::upload
