#include "discovery/version_query_task.h"

#include <array>

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
    int error = 0;
    socket_ = net::Socket::Create(net::kStreamSocket, error);
    if (error != 0 || socket_.Bind(net::Endpoint{local, 0}) != 0 ||
        net::SetNonBlocking(socket_) != 0) {
        End(State::failed);
        return;
    }
    error = net::StartConnect(socket_, device);
    if (error == 0) {
        state_ = State::sending;
    } else if (error == net::kErrorWouldBlock) {
        state_ = State::connecting;
    } else {
        End(State::failed);
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
        End(State::failed);
    }
}

void VersionQueryTask::Connected(short revents) {
    if ((revents & (net::kCanWrite | net::kFailed | net::kHungUp)) == 0) {
        return;
    }
    if (net::ConnectOutcome(socket_) != 0) {
        End(State::failed);
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
        End(State::failed);
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
    // A device that closes before its second LF has not answered.
    if (!result.ok() || result.count == 0) {
        End(State::failed);
        return;
    }
    switch (reader_.Feed(std::span<const char>(area.data(), result.count))) {
        case VersionAnswerReader::Progress::needMore:
            return;
        case VersionAnswerReader::Progress::failed:
            End(State::failed);
            return;
        case VersionAnswerReader::Progress::done:
            break;
    }
    const std::optional<VersionAnswer> parsed = ParseVersionAnswer(reader_.answer());
    if (!parsed) {
        End(State::failed);
        return;
    }
    answer_ = *parsed;
    End(State::answered);
}

void VersionQueryTask::End(State state) {
    state_ = state;
    socket_.Close();
}

}  // namespace tavro::discovery
