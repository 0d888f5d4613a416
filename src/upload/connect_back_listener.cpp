#include "upload/connect_back_listener.h"

#include <algorithm>

#include "log/append_log.h"
#include "net/socket_error.h"

namespace tavro::upload {
namespace {

using Clock = std::chrono::steady_clock;

// A waiter gives up the accept this often, so that another waiter whose deadline comes first
// gets its turn and ends on time.
constexpr std::chrono::milliseconds kTurn{100};

}  // namespace

ConnectBackListener::ConnectBackListener(net::Socket listening, net::Endpoint local)
    : local_(local), socket_(std::move(listening)) {}

ConnectBackListener::Expectation::Expectation(ConnectBackListener& listener,
                                              net::Ipv4Address device)
    : listener_(listener), device_(device) {
    std::lock_guard lock(listener_.mutex_);
    listener_.waiting_.insert(device_);
}

ConnectBackListener::Expectation::~Expectation() {
    std::lock_guard lock(listener_.mutex_);
    listener_.StopWaiting(device_);
}

net::Socket ConnectBackListener::TakeKept(net::Ipv4Address device) {
    const auto found = kept_.find(device);
    if (found == kept_.end() || found->second.empty()) return {};
    net::Socket connection = std::move(found->second.front());
    found->second.erase(found->second.begin());
    if (found->second.empty()) kept_.erase(found);
    return connection;
}

void ConnectBackListener::StopWaiting(net::Ipv4Address device) {
    waiting_.erase(waiting_.find(device));
    // Nobody will come for what was kept for this address any more.
    if (waiting_.count(device) == 0) kept_.erase(device);
}

net::Socket ConnectBackListener::AcceptFrom(net::Ipv4Address device,
                                            std::chrono::milliseconds limit, LogSink& log,
                                            int& error) {
    const auto deadline = Clock::now() + limit;
    std::unique_lock lock(mutex_);
    waiting_.insert(device);
    while (true) {
        if (net::Socket kept = TakeKept(device); kept.valid()) {
            StopWaiting(device);
            return kept;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            StopWaiting(device);
            error = net::kErrorTimedOut;
            return {};
        }
        if (accepting_) {
            turnOver_.wait_until(lock, deadline);
            continue;
        }
        accepting_ = true;
        lock.unlock();
        net::Endpoint peer;
        int failure = 0;
        net::Socket connection = socket_.Accept(std::min(left, kTurn), failure, &peer);
        lock.lock();
        accepting_ = false;
        turnOver_.notify_all();

        if (!connection.valid()) {
            if (failure == net::kErrorTimedOut) continue;
            StopWaiting(device);
            error = failure;
            return {};
        }
        if (peer.address == device) {
            StopWaiting(device);
            return connection;
        }
        if (waiting_.count(peer.address) != 0) {
            kept_[peer.address].push_back(std::move(connection));
            turnOver_.notify_all();
            continue;
        }
        // Anyone may connect; the image is for the devices only. The trace may wait on its
        // reader, so the others are not kept waiting meanwhile.
        lock.unlock();
        connection.Close();
        AppendLog(log, "ignored connection from %s\r\n", peer.address.ToString().c_str());
        lock.lock();
    }
}

}  // namespace tavro::upload
