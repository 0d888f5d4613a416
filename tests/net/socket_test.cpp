#include "net/socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "loopback_sockets.h"
#include "net/socket_error.h"

namespace tavro::net {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using namespace test;

TEST(SocketLifetime, MovedSocketOwnsTheDescriptorAndClosesIt) {
    Socket first = BoundSocket(kDatagramSocket);
    const NativeSocket fd = first.fd();
    Socket second = std::move(first);
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.fd(), fd);
    second = Socket();
    EXPECT_FALSE(second.valid());
    // Once closed, calls fail with a socket code instead of touching a stale descriptor.
    bool readable = true;
    EXPECT_EQ(second.WaitReadable(10ms, readable), kErrorNotSocket);
    EXPECT_FALSE(readable);
}

TEST(SocketDatagram, OversizeDatagramFailsAndIsDroppedTheNextOneArrives) {
    Socket receiver = BoundSocket(kDatagramSocket);
    Socket sender = BoundSocket(kDatagramSocket);
    const Endpoint to = LocalOf(receiver);
    const std::string big(31, 'x');
    const std::string fits(30, 'y');
    ASSERT_TRUE(sender.SendTo(big, to).ok());
    ASSERT_TRUE(sender.SendTo(fits, to).ok());

    char area[30];
    Endpoint from;
    const IoResult tooLong = receiver.ReceiveFrom(area, from);
    EXPECT_EQ(tooLong.error, kErrorMessageSize);

    const IoResult next = receiver.ReceiveFrom(area, from);
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(std::string(area, next.count), fits);
    EXPECT_EQ(from.address, kLoopback);
    EXPECT_EQ(from.port, LocalOf(sender).port);
}

TEST(SocketDatagram, SenderOfADroppedOversizeDatagramIsNamed) {
    Socket receiver = BoundSocket(kDatagramSocket);
    Socket sender = BoundSocket(kDatagramSocket);
    ASSERT_TRUE(sender.SendTo(std::string(40, 'x'), LocalOf(receiver)).ok());
    char area[8];
    Endpoint from;
    EXPECT_EQ(receiver.ReceiveFromWithin(area, from, 3000ms).error, kErrorMessageSize);
    EXPECT_EQ(from.address, kLoopback);
    EXPECT_EQ(from.port, LocalOf(sender).port);
}

TEST(SocketDatagram, ReceiveFromWithinWaitsOutItsLimitOrTakesTheDatagram) {
    Socket receiver = BoundSocket(kDatagramSocket);
    char area[8];
    Endpoint from;
    const auto start = Clock::now();
    EXPECT_EQ(receiver.ReceiveFromWithin(area, from, 200ms).error, kErrorTimedOut);
    EXPECT_LT(Clock::now() - start, 2000ms);

    Socket sender = BoundSocket(kDatagramSocket);
    ASSERT_TRUE(sender.SendTo(std::string("OK"), LocalOf(receiver)).ok());
    const IoResult got = receiver.ReceiveFromWithin(area, from, 3000ms);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(area, got.count), "OK");
    EXPECT_EQ(from.port, LocalOf(sender).port);
}

TEST(SocketDatagram, ReceiveTimeoutIsReportedAsTimedOutWithinBound) {
    Socket receiver = BoundSocket(kDatagramSocket);
    ASSERT_EQ(receiver.SetReceiveTimeout(200ms), 0);
    char area[8];
    Endpoint from;
    const auto start = Clock::now();
    const IoResult result = receiver.ReceiveFrom(area, from);
    const auto took = Clock::now() - start;
    EXPECT_EQ(result.error, kErrorTimedOut);
    EXPECT_GE(took, 150ms);
    EXPECT_LT(took, 2000ms);
}

TEST(SocketDatagram, WaitReadableReportsQuietAndArrival) {
    Socket receiver = BoundSocket(kDatagramSocket);
    bool readable = true;
    EXPECT_EQ(receiver.WaitReadable(50ms, readable), 0);
    EXPECT_FALSE(readable);

    Socket sender = BoundSocket(kDatagramSocket);
    ASSERT_TRUE(sender.SendTo(std::string("TV"), LocalOf(receiver)).ok());
    EXPECT_EQ(receiver.WaitReadable(3000ms, readable), 0);
    EXPECT_TRUE(readable);
}

TEST(SocketStream, ConnectToClosedPortIsRefused) {
    // Take a free port, then close it so nothing listens there.
    Endpoint closed;
    {
        Socket probe = BoundSocket(kStreamSocket);
        closed = LocalOf(probe);
    }
    Socket client = BoundSocket(kStreamSocket);
    EXPECT_EQ(client.Connect(closed, 3000ms), kErrorConnectionRefused);
}

TEST(SocketStream, AcceptWithNobodyConnectingTimesOut) {
    Socket listener = BoundSocket(kStreamSocket);
    ASSERT_EQ(listener.Listen(1), 0);
    int error = 0;
    const auto start = Clock::now();
    Socket accepted = listener.Accept(200ms, error);
    const auto took = Clock::now() - start;
    EXPECT_EQ(error, kErrorTimedOut);
    EXPECT_FALSE(accepted.valid());
    EXPECT_LT(took, 2000ms);
}

TEST(SocketStream, ConnectedSocketStaysBlockingAfterTimedConnect) {
    TcpPair pair = ConnectedPair();
    // A blocking socket with a receive time-out waits for it rather than failing at once.
    ASSERT_EQ(pair.client.SetReceiveTimeout(200ms), 0);
    char byte;
    const auto start = Clock::now();
    EXPECT_EQ(pair.client.Receive({&byte, 1}).error, kErrorTimedOut);
    EXPECT_GE(Clock::now() - start, 150ms);
}

TEST(SocketStream, LargeBufferArrivesWholeAndInOrder) {
    TcpPair pair = ConnectedPair();
    std::vector<char> sent(4 * 1024 * 1024);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<char>(i * 131 + i / 977);
    }
    IoResult sendResult;
    std::thread writer([&] { sendResult = pair.client.SendAll(sent); });

    std::vector<char> received;
    std::vector<char> area(65536);
    while (received.size() < sent.size()) {
        const IoResult result = pair.server.ReceiveWithin(area, 5000ms);
        ASSERT_TRUE(result.ok()) << result.error;
        ASSERT_GT(result.count, 0u);
        received.insert(received.end(), area.begin(), area.begin() + result.count);
    }
    writer.join();
    EXPECT_TRUE(sendResult.ok());
    EXPECT_EQ(sendResult.count, sent.size());
    EXPECT_EQ(received, sent);
}

TEST(SocketStream, ReceiveWithinTimesOutAndSeesPeerClose) {
    TcpPair pair = ConnectedPair();
    char area[4];
    const auto start = Clock::now();
    EXPECT_EQ(pair.server.ReceiveWithin(area, 200ms).error, kErrorTimedOut);
    EXPECT_LT(Clock::now() - start, 2000ms);

    pair.client.Close();
    const IoResult closed = pair.server.ReceiveWithin(area, 3000ms);
    EXPECT_TRUE(closed.ok());
    EXPECT_EQ(closed.count, 0u);
}

TEST(SocketStream, SendAllWithinEndsWhenThePeerStopsReading) {
    TcpPair pair = ConnectedPair();
    const std::vector<char> data(1024, 'b');
    // The first sends fill the buffers; one of them then has to wait for room that never comes.
    IoResult result;
    const auto start = Clock::now();
    std::size_t total = 0;
    while (result.ok() && total < 256u * 1024 * 1024) {
        const auto before = Clock::now();
        result = pair.client.SendAllWithin(data, 300ms);
        total += result.count;
        ASSERT_LT(Clock::now() - before, 2000ms) << "a send waited past its limit";
    }
    EXPECT_EQ(result.error, kErrorTimedOut);
    EXPECT_LT(Clock::now() - start, 60s);
}

TEST(SocketStream, ReceiveBoundedTakesWhatIsThereSeesTheCloseAndTimesOut) {
    TcpPair pair = ConnectedPair();
    ASSERT_EQ(pair.server.SetReceiveTimeout(200ms), 0);
    ASSERT_TRUE(pair.client.SendAll(std::string("1024OK")).ok());
    char area[4];
    IoResult got = pair.server.ReceiveBounded(area, 200ms);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(area, got.count), "1024") << "one read never takes more than asked";

    got = pair.server.ReceiveBounded({area, 2}, 200ms);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(area, got.count), "OK");

    const auto start = Clock::now();
    EXPECT_EQ(pair.server.ReceiveBounded(area, 200ms).error, kErrorTimedOut);
    EXPECT_LT(Clock::now() - start, 2000ms);

    pair.client.Close();
    got = pair.server.ReceiveBounded(area, 200ms);
    EXPECT_TRUE(got.ok());
    EXPECT_EQ(got.count, 0u);
}

TEST(SocketStream, ZeroReceiveTimeoutIsNoEndlessWait) {
    TcpPair pair = ConnectedPair();
    ASSERT_EQ(pair.server.SetReceiveTimeout(0ms), 0);
    char area[4];
    const auto start = Clock::now();
    EXPECT_EQ(pair.server.ReceiveBounded(area, 0ms).error, kErrorTimedOut);
    EXPECT_LT(Clock::now() - start, 2000ms);
}

TEST(SocketStream, SendToClosedPeerFailsWithoutSignal) {
    TcpPair pair = ConnectedPair();
    pair.server.Close();
    // The first send may still be accepted locally; the reset comes on a later one.
    const std::vector<char> data(65536, 'z');
    IoResult result;
    for (int i = 0; i < 50 && result.ok(); ++i) {
        result = pair.client.SendAll(data);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(result.ok());
    EXPECT_GT(result.error, 3);
}

}  // namespace
}  // namespace tavro::net
