#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "discovery/sightings.h"
#include "discovery/version_answer.h"
#include "discovery/version_answer_reader.h"
#include "net/socket.h"

namespace tavro::discovery {

// One version query that never blocks, so that many run side by side in one event loop:
// connect, send the 5-byte request, read the answer up to its second LF. The whole dialogue
// ends by its deadline, however the answer trickles in. Besides the device list's verdict
// (answered: two CR-ended lines) it keeps why it ended (finding).
class VersionQueryTask {
public:
    using Clock = std::chrono::steady_clock;
    enum class State { connecting, sending, reading, answered, failed };

    // Opens a socket on local (port 0) and starts connecting it to the device; a step that
    // fails at once leaves the task failed.
    VersionQueryTask(net::Ipv4Address local, const net::Endpoint& device,
                     Clock::time_point deadline);

    State state() const { return state_; }
    bool running() const { return state_ != State::answered && state_ != State::failed; }
    // What to wait for while running: the socket and what it is wanted for (net::kCanRead...).
    net::NativeSocket fd() const { return socket_.fd(); }
    short events() const;
    Clock::time_point deadline() const { return deadline_; }
    // The numbers of an answered query, read as the device list reads them.
    const VersionAnswer& answer() const { return answer_; }
    // Why the query ended: a strict version, an answer without one, the device's silence, or
    // this computer's own failure. Meaningful once the query is no longer running.
    const VersionFinding& finding() const { return finding_; }

    // Moves on by what the wait found for this socket (net::SocketWait::seen, 0: nothing), then
    // fails the query if its deadline has passed. The socket closes as soon as the query has ended.
    void Advance(short revents, Clock::time_point now);

private:
    void Connected(short revents);
    void Send();
    void Read(short revents);
    // code: the socket code, or 0 when the device closed, sent no answer or let the bound pass.
    void Fail(int code);
    void FailHere(int code);
    void End(State state);

    net::Socket socket_;
    Clock::time_point deadline_;
    State state_ = State::failed;
    std::size_t sent_ = 0;
    VersionAnswerReader reader_;
    VersionAnswer answer_;
    VersionFinding finding_;
};

}  // namespace tavro::discovery
