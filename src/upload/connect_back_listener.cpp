#include "upload/connect_back_listener.h"

#include <system_error>

#include "log/append_log.h"
#include "net/socket_error.h"
#include "upload/local_shortage.h"

namespace tavro::upload {
namespace {

// The listener's thread looks for a stop this often where the system cannot wake it at once.
constexpr std::chrono::milliseconds kTurn{100};
// Out of descriptors or buffers for a moment: the connection stays queued, and the accept is
// tried again after this pause rather than failing the uploads.
constexpr std::chrono::milliseconds kShortagePause{20};
// Strangers shut out while no upload waits are traced later, the first ones only: a flood of
// them must not grow without end.
constexpr std::size_t kStrangerNotes = 64;
// A waiter whose time is up takes no more than this many connections that had come meanwhile.
constexpr int kLateTakes = 64;

// A failure that leaves the listener sound: a connection lost before it was taken, or a
// shortage that passes.
bool Passes(int error) {
    return IsLocalShortage(error) || error == net::kErrorConnectionAborted ||
           error == net::kErrorConnectionReset;
}

}  // namespace

ConnectBackListener::ConnectBackListener(net::Socket listening, net::Endpoint local)
    : local_(local), socket_(std::move(listening)) {
    if (!socket_.valid()) {
        failure_ = net::kErrorNotSocket;
        return;
    }
    try {
        taker_ = std::thread([this] { TakeConnections(); });
    } catch (const std::system_error&) {
        failure_ = net::kErrorNoBuffers;  // no thread to spare: a shortage like any other
    }
}

ConnectBackListener::~ConnectBackListener() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    if (taker_.joinable()) {
        socket_.StopListening();
        taker_.join();
    }
}

int ConnectBackListener::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void ConnectBackListener::TakeConnections() {
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        if (!TakeOne(kTurn)) return;
    }
}

bool ConnectBackListener::TakeOne(std::chrono::milliseconds limit) {
    net::Endpoint peer;
    int error = 0;
    net::Socket connection = socket_.Accept(limit, error, &peer);
    const Clock::time_point arrived = Clock::now();
    if (connection.valid()) {
        Place(std::move(connection), peer.address, arrived);
        return true;
    }
    if (error == net::kErrorTimedOut) return true;
    if (Passes(error)) {
        if (IsLocalShortage(error)) NoteShortage(error);
        std::this_thread::sleep_for(kShortagePause);
        return true;
    }
    std::lock_guard lock(mutex_);
    if (!stopping_) failure_ = error;
    arrived_.notify_all();
    return false;
}

void ConnectBackListener::TakeWhatCame() {
    for (int taken = 0; taken < kLateTakes; ++taken) {
        net::Endpoint peer;
        int error = 0;
        net::Socket connection = socket_.Accept(std::chrono::milliseconds(0), error, &peer);
        if (!connection.valid()) {
            if (IsLocalShortage(error)) NoteShortage(error);
            return;
        }
        Place(std::move(connection), peer.address, Clock::now());
    }
}

void ConnectBackListener::NoteShortage(int error) {
    std::lock_guard lock(mutex_);
    shortage_ = error;
    shortageSeen_ = Clock::now();
}

void ConnectBackListener::Place(net::Socket connection, net::Ipv4Address peer,
                                Clock::time_point arrived) {
    std::lock_guard lock(mutex_);
    const auto found = expected_.find(peer);
    if (found == expected_.end()) {
        // Anyone may connect; the image is for the devices only. The connection closes as this
        // returns, before a byte was sent.
        if (strangers_.size() < kStrangerNotes) strangers_.push_back(peer);
        arrived_.notify_all();
        return;
    }
    Expected& expected = found->second;
    const bool beforeInvitation = expected.accepted && arrived < expected.invitationSent;
    const bool olderThanWaiting = expected.waiting.valid() && arrived < expected.arrived;
    if (beforeInvitation || olderThanWaiting) return;
    // The one that came last stands: a device that connects again has given up its earlier try.
    expected.waiting = std::move(connection);
    expected.arrived = arrived;
    arrived_.notify_all();
}

net::Socket ConnectBackListener::TakeWaiting(net::Ipv4Address device) {
    const auto found = expected_.find(device);
    if (found == expected_.end() || !found->second.accepted) return {};
    return std::move(found->second.waiting);
}

void ConnectBackListener::TraceStrangers(std::unique_lock<std::mutex>& lock, LogSink& log) {
    while (!strangers_.empty()) {
        const net::Ipv4Address stranger = strangers_.front();
        strangers_.pop_front();
        lock.unlock();
        AppendLog(log, "ignored connection from %s\r\n", stranger.ToString().c_str());
        lock.lock();
    }
}

ConnectBackListener::Expectation::Expectation(ConnectBackListener& listener,
                                              net::Ipv4Address device)
    : listener_(listener), device_(device), since_(Clock::now()) {
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

net::Socket ConnectBackListener::Expectation::Accept(std::chrono::milliseconds limit, LogSink& log,
                                                     int& error) {
    const auto deadline = Clock::now() + limit;
    bool lookedLate = false;
    std::unique_lock lock(listener_.mutex_);
    while (true) {
        listener_.TraceStrangers(lock, log);
        if (net::Socket mine = listener_.TakeWaiting(device_); mine.valid()) return mine;
        if (listener_.failure_ != 0) {
            error = listener_.failure_;
            return {};
        }
        if (Clock::now() < deadline) {
            listener_.arrived_.wait_until(lock, deadline);
            continue;
        }
        // The time is up, but this process may have been held up (stopped, starved) while the
        // device connected: what came before the deadline still counts.
        if (!lookedLate) {
            lookedLate = true;
            lock.unlock();
            listener_.TakeWhatCame();
            lock.lock();
            continue;
        }
        const bool shortMeanwhile = listener_.shortage_ != 0 && listener_.shortageSeen_ >= since_;
        error = shortMeanwhile ? listener_.shortage_ : net::kErrorTimedOut;
        return {};
    }
}

}  // namespace tavro::upload
