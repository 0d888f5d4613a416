// The connect-back listener on loopback: peers on 127.0.0.2, .3 and .4 connect to one port.

#include "upload/connect_back_listener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "net/socket.h"
#include "net/socket_error.h"

namespace tavro::upload {
namespace {

using namespace std::chrono_literals;

class TracedLog : public LogSink {
public:
    void AppendText(std::string_view text) override {
        std::lock_guard lock(mutex);
        text_ += text;
    }
    std::string text() {
        std::lock_guard lock(mutex);
        return text_;
    }

private:
    std::mutex mutex;
    std::string text_;
};

net::Ipv4Address Loopback(int last) {
    return net::Ipv4Address::FromOctets(127, 0, 0, static_cast<std::uint8_t>(last));
}

class ConnectBackListenerTest : public ::testing::Test {
protected:
    ConnectBackListenerTest() {
        int error = 0;
        net::Socket socket = net::Socket::Create(net::kStreamSocket, error);
        EXPECT_EQ(socket.Bind({Loopback(1), 0}), 0);
        net::Endpoint local;
        EXPECT_EQ(socket.GetLocalEndpoint(local), 0);
        EXPECT_EQ(socket.Listen(8), 0);
        listener_ = std::make_unique<ConnectBackListener>(std::move(socket), local);
    }

    // A connection to the listener from 127.0.0.<last>, which sends its own address's last
    // number, so the side that accepts it can tell whose it got.
    net::Socket ConnectFrom(int last) { return ConnectFrom(last, std::to_string(last)); }

    // The same, with a mark of its own: which of several connections from one address it is.
    net::Socket ConnectFrom(int last, const std::string& mark) {
        int error = 0;
        net::Socket peer = net::Socket::Create(net::kStreamSocket, error);
        EXPECT_EQ(peer.Bind({Loopback(last), 0}), 0);
        EXPECT_EQ(peer.Connect(listener_->local(), 2s), 0);
        EXPECT_TRUE(peer.SendAll(mark).ok());
        return peer;
    }

    static std::string MarkOf(net::Socket& connection) {
        char mark[4] = {};
        const net::IoResult got = connection.ReceiveWithin(std::span(mark, 1), 2s);
        return got.ok() ? std::string(mark, got.count) : "none";
    }

    // What an upload gets: its device's connection once the device accepted an invitation sent
    // now, its mark, or "error N".
    std::string AcceptFor(int last, std::chrono::milliseconds limit) {
        ConnectBackListener::Expectation expected(*listener_, Loopback(last));
        expected.Accepted(ConnectBackListener::Clock::now());
        return AcceptOn(expected, limit);
    }

    std::string AcceptOn(ConnectBackListener::Expectation& expected,
                         std::chrono::milliseconds limit) {
        int error = 0;
        net::Socket connection = expected.Accept(limit, log_, error);
        return connection.valid() ? MarkOf(connection) : "error " + std::to_string(error);
    }

    static bool Closed(net::Socket& peer) {
        char byte = 0;
        const net::IoResult end = peer.ReceiveWithin(std::span(&byte, 1), 2s);
        return end.ok() ? end.count == 0 : end.error != net::kErrorTimedOut;
    }

    std::unique_ptr<ConnectBackListener> listener_;
    TracedLog log_;
};

TEST_F(ConnectBackListenerTest, EachWaiterGetsTheConnectionFromItsOwnDevice) {
    auto accept = [this](int last) {
        return std::async(std::launch::async, [this, last] { return AcceptFor(last, 5s); });
    };
    auto forTwo = accept(2);
    auto forThree = accept(3);
    std::this_thread::sleep_for(50ms);  // both wait before anyone connects
    // The devices come in the other order, and a stranger comes first.
    net::Socket stranger = ConnectFrom(4);
    net::Socket three = ConnectFrom(3);
    net::Socket two = ConnectFrom(2);

    EXPECT_EQ(forTwo.get(), "2");
    EXPECT_EQ(forThree.get(), "3");
    EXPECT_NE(log_.text().find("ignored connection from 127.0.0.4\r\n"), std::string::npos)
        << log_.text();
    EXPECT_TRUE(Closed(stranger)) << "the stranger was not shut out";
}

// A device may connect back while its own upload is still busy with the invitation's answer
// and another upload sits in accept: its connection waits for it instead of being shut out.
TEST_F(ConnectBackListenerTest, ADeviceThatComesBeforeItsAnswerIsReadIsKeptForItsUpload) {
    ConnectBackListener::Expectation expected(*listener_, Loopback(2));
    const auto invitationSent = ConnectBackListener::Clock::now();
    auto forThree = std::async(std::launch::async, [this] { return AcceptFor(3, 5s); });
    std::this_thread::sleep_for(50ms);
    net::Socket two = ConnectFrom(2);
    std::this_thread::sleep_for(200ms);  // the other waiter has accepted it by now
    expected.Accepted(invitationSent);
    EXPECT_EQ(AcceptOn(expected, 1s), "2");
    EXPECT_EQ(log_.text(), "") << "the early device was taken for a stranger";

    net::Socket three = ConnectFrom(3);
    EXPECT_EQ(forThree.get(), "3");
}

// A connection carries nothing but its source address. One that came from a device's address
// before the invitation the device accepted was even sent is no answer to it (another device
// connecting from that address, say), and a later connection from the address replaces an
// earlier one, so an address never holds more than one descriptor.
TEST_F(ConnectBackListenerTest, OnlyTheNewestConnectionAfterTheAcceptedInvitationIsTheDevices) {
    ConnectBackListener::Expectation expected(*listener_, Loopback(2));
    auto forThree = std::async(std::launch::async, [this] { return AcceptFor(3, 5s); });
    std::this_thread::sleep_for(50ms);
    net::Socket early = ConnectFrom(2);
    std::this_thread::sleep_for(200ms);
    expected.Accepted(ConnectBackListener::Clock::now());
    EXPECT_TRUE(Closed(early)) << "a connection from before the invitation was kept";

    net::Socket first = ConnectFrom(2);
    std::this_thread::sleep_for(200ms);
    net::Socket second = ConnectFrom(2);
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(Closed(first)) << "an address held two connections";
    EXPECT_EQ(AcceptOn(expected, 1s), "2");

    net::Socket three = ConnectFrom(3);
    EXPECT_EQ(forThree.get(), "3");
}

// The listener takes connections as they come, whether an upload waits or not: with nobody in
// accept, a connection that came before the accepted invitation was sent is still known for
// what it is, and of the later ones the newest is the device's.
TEST_F(ConnectBackListenerTest, ArrivalDecidesWithNobodyWaitingInAccept) {
    ConnectBackListener::Expectation expected(*listener_, Loopback(2));
    net::Socket early = ConnectFrom(2, "e");
    std::this_thread::sleep_for(200ms);
    expected.Accepted(ConnectBackListener::Clock::now());
    EXPECT_TRUE(Closed(early)) << "a connection from before the invitation was kept";

    net::Socket first = ConnectFrom(2, "f");
    std::this_thread::sleep_for(200ms);
    net::Socket second = ConnectFrom(2, "s");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(AcceptOn(expected, 2s), "s");
    EXPECT_TRUE(Closed(first)) << "an older connection outlived the newest";
}

TEST_F(ConnectBackListenerTest, AWaiterWhoseDeviceStaysAwayEndsAtItsOwnBound) {
    auto patient = std::async(std::launch::async, [this] { return AcceptFor(2, 3s); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(AcceptFor(3, 300ms), "error " + std::to_string(net::kErrorTimedOut));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, 1500ms) << "the other waiter's accept held this one past its bound";

    net::Socket two = ConnectFrom(2);
    EXPECT_EQ(patient.get(), "2");
}

}  // namespace
}  // namespace tavro::upload
