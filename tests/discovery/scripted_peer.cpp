#include "scripted_peer.h"

#include <gtest/gtest.h>

namespace tavro::test {

using namespace std::chrono_literals;

namespace {

constexpr std::size_t kRequestSize = 5;

}  // namespace

ScriptedPeer::ScriptedPeer(std::string answer, After after)
    : answer_(std::move(answer)), after_(after) {
    int error = 0;
    listener_ = net::Socket::Create(net::kStreamSocket, error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(listener_.Bind(net::Endpoint{*net::Ipv4Address::Parse("127.0.0.1"), 0}), 0);
    EXPECT_EQ(listener_.Listen(1), 0);
    net::Endpoint local;
    EXPECT_EQ(listener_.GetLocalEndpoint(local), 0);
    port_ = local.port;
    thread_ = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string ScriptedPeer::Received() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return received_;
}

void ScriptedPeer::Serve() {
    int error = 0;
    net::Socket connection = listener_.Accept(10s, error);
    if (!connection.valid()) {
        return;
    }
    char area[512];
    // The request first, so that the answer is never sent ahead of it.
    while (received_.size() < kRequestSize) {
        const net::IoResult result = connection.ReceiveWithin(area, 5s);
        if (!result.ok() || result.count == 0) {
            return;
        }
        received_.append(area, result.count);
    }
    if (!answer_.empty()) {
        connection.SendAll(answer_);
    }
    if (after_ == After::Close) {
        connection.ShutdownSending();
    }
    // Keep collecting until the client goes, so that extra bytes would be seen.
    while (true) {
        const net::IoResult result = connection.ReceiveWithin(area, 10s);
        if (!result.ok() || result.count == 0) {
            return;
        }
        received_.append(area, result.count);
    }
}

}  // namespace tavro::test
