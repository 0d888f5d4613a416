#include "discovery/version_query_task.h"

#include <array>

#include "discovery/query_failure.h"
#include "discovery/strict_version.h"
#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro::discovery {

namespace {

constexpr char kRequest[] = "VER\n";  // sent with its NUL: 5 bytes
constexpr std::size_t kRequestSize = sizeof kRequest;

}  // namespace

VersionQueryTask::VersionQueryTask(net::Ipv4Address local, const net::Endpoint& device,
                                   Clock::time_point deadline)
    : deadline_(deadline) {
    int error = net::OpenNonBlocking(net::kStreamSocket, {local, 0}, socket_);
    if (error != 0) {
        // Nothing has left this computer yet: whatever the code, the device was not asked.
        FailHere(error);
        return;
    }
    error = net::StartConnect(socket_, device);
    if (error == 0) {
        state_ = State::sending;
    } else if (error == net::kErrorWouldBlock) {
        state_ = State::connecting;
    } else {
        Fail(error);
    }
}

short VersionQueryTask::events() const {
    switch (state_) {
        case State::connecting:
        case State::sending:
            return net::kCanWrite;
        case State::reading:
            return net::kCanRead;
        default:
            return 0;
    }
}

void VersionQueryTask::Advance(short revents, Clock::time_point now) {
    if (state_ == State::connecting && revents != 0) {
        Connected(revents);
    }
    if (state_ == State::sending && revents != 0) {
        Send();
    } else if (state_ == State::reading && revents != 0) {
        Read(revents);
    }
    if (running() && now >= deadline_) {
        Fail(0);
    }
}

void VersionQueryTask::Connected(short revents) {
    if ((revents & (net::kCanWrite | net::kFailed | net::kHungUp)) == 0) {
        return;
    }
    if (const int error = net::ConnectOutcome(socket_); error != 0) {
        Fail(error);
        return;
    }
    state_ = State::sending;
}

void VersionQueryTask::Send() {
    const net::IoResult result =
        net::SendNow(socket_, std::span<const char>(kRequest + sent_, kRequestSize - sent_));
    if (result.error == net::kErrorWouldBlock) {
        return;
    }
    if (!result.ok()) {
        Fail(result.error);
        return;
    }
    sent_ += result.count;
    if (sent_ == kRequestSize) {
        state_ = State::reading;
    }
}

void VersionQueryTask::Read(short revents) {
    if ((revents & (net::kCanRead | net::kFailed | net::kHungUp)) == 0) {
        return;
    }
    // Never more than the answer may still take: what lies beyond it stays unread.
    std::array<char, VersionAnswerReader::kLimit> area;
    const net::IoResult result =
        net::ReceiveNow(socket_, std::span<char>(area.data(), reader_.room()));
    if (result.error == net::kErrorWouldBlock) {
        return;
    }
    if (!result.ok()) {
        Fail(result.error);
        return;
    }
    // A device that closes before its second LF has not answered.
    if (result.count == 0) {
        Fail(0);
        return;
    }
    switch (reader_.Feed(std::span<const char>(area.data(), result.count))) {
        case VersionAnswerReader::Progress::needMore:
            return;
        case VersionAnswerReader::Progress::failed:
            Fail(0);
            return;
        case VersionAnswerReader::Progress::done:
            break;
    }
    const std::optional<VersionAnswer> parsed = ParseVersionAnswer(reader_.answer());
    if (!parsed) {
        Fail(0);
        return;
    }
    answer_ = *parsed;
    const std::optional<std::uint32_t> strict = ReadStrictSketchVersion(reader_.answer());
    finding_ = VersionFinding{.fate = strict ? VersionFate::Answered : VersionFate::Unreadable,
                              .strictVersion = strict,
                              .localError = 0};
    End(State::answered);
}

void VersionQueryTask::Fail(int code) {
    finding_ = FindingOfFailure(code, !reader_.answer().empty());
    End(State::failed);
}

void VersionQueryTask::FailHere(int code) {
    finding_ = LocalFailureFinding(code);
    End(State::failed);
}

void VersionQueryTask::End(State state) {
    state_ = state;
    socket_.Close();
}

}  // namespace tavro::discovery
