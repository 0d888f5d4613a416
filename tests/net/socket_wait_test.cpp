// The net layer's calls that let the jobs and the simulator stay free of system socket headers:
// the wait over many sockets, the non-blocking switch both ways, the closing variants and the
// byte order. Written against the layer only, so that they hold for every platform's twin.

#include <gtest/gtest.h>

#include <chrono>
#include <span>
#include <thread>

#include "loopback_sockets.h"
#include "net/byte_order.h"
#include "net/nonblocking_io.h"
#include "net/socket.h"
#include "net/socket_error.h"

namespace tavro::net {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using namespace test;

short WaitOne(const Socket& socket, short wanted, std::chrono::milliseconds limit) {
    SocketWait entry{socket.fd(), wanted, 0};
    EXPECT_EQ(WaitForSockets(std::span<SocketWait>(&entry, 1), limit), 0);
    return entry.seen;
}

TEST(NetByteOrder, AddressesAreInNetworkOrderAsTheTextReadsThem) {
    EXPECT_EQ(HostToNetwork32(0xC6120001u), Ipv4Address::Parse("198.18.0.1")->networkOrder());
    EXPECT_EQ(NetworkToHost32(Ipv4Address::Parse("198.18.0.1")->networkOrder()), 0xC6120001u);
    EXPECT_EQ(kAnyAddress, *Ipv4Address::Parse("0.0.0.0"));
}

TEST(SocketWaits, QuietSocketsWaitOutTheLimitAndADatagramWakesOnlyItsOwn) {
    Socket quiet = BoundSocket(kDatagramSocket);
    Socket busy = BoundSocket(kDatagramSocket);
    SocketWait entries[] = {{quiet.fd(), kCanRead, 0}, {busy.fd(), kCanRead, 0}};
    const auto start = Clock::now();
    ASSERT_EQ(WaitForSockets(entries, 100ms), 0);
    EXPECT_LT(Clock::now() - start, 2000ms);
    EXPECT_EQ(entries[0].seen, 0);
    EXPECT_EQ(entries[1].seen, 0);

    Socket sender = BoundSocket(kDatagramSocket);
    ASSERT_TRUE(sender.SendTo(std::span<const char>("x", 1), LocalOf(busy)).ok());
    ASSERT_EQ(WaitForSockets(entries, 3000ms), 0);
    EXPECT_EQ(entries[0].seen, 0);
    EXPECT_NE(entries[1].seen & kCanRead, 0);
}

TEST(SocketWaits, RefusedBackgroundConnectWakesTheWaitAndNamesTheRefusal) {
    Endpoint closed;
    {
        Socket probe = BoundSocket(kStreamSocket);
        closed = LocalOf(probe);
    }
    Socket client = BoundSocket(kStreamSocket);
    ASSERT_EQ(SetNonBlocking(client), 0);
    const int started = StartConnect(client, closed);
    if (started == kErrorWouldBlock) {
        EXPECT_NE(WaitOne(client, kCanWrite, 3000ms), 0) << "the refusal did not end the wait";
        EXPECT_EQ(ConnectOutcome(client), kErrorConnectionRefused);
    } else {
        EXPECT_EQ(started, kErrorConnectionRefused);
    }
}

TEST(SocketWaits, PeerCloseIsSeenWithoutReadingAndNotBeforeIt) {
    TcpPair pair = ConnectedPair();
    EXPECT_EQ(WaitOne(pair.server, kPeerClosed, 100ms) & kPeerClosed, 0);
    pair.client.Close();
    EXPECT_NE(WaitOne(pair.server, kPeerClosed, 3000ms) & kPeerClosed, 0);
}

// Bytes the waiting side has not read are no close: the wait runs to its limit instead of
// ending at once with nothing seen (which would make every caller spin).
TEST(SocketWaits, UnreadDataNeitherEndsAPeerCloseWaitEarlyNorReadsAsAClose) {
    TcpPair pair = ConnectedPair();
    ASSERT_TRUE(pair.client.SendAll(std::string("1024")).ok());
    bool readable = false;
    ASSERT_EQ(pair.server.WaitReadable(3000ms, readable), 0);
    ASSERT_TRUE(readable);
    const auto start = Clock::now();
    EXPECT_EQ(WaitOne(pair.server, kPeerClosed, 300ms), 0);
    EXPECT_GE(Clock::now() - start, 250ms);
}

TEST(SocketNonBlocking, SwitchedBackTheSocketWaitsAgain) {
    TcpPair pair = ConnectedPair();
    char byte = 0;
    ASSERT_EQ(SetNonBlocking(pair.server), 0);
    EXPECT_EQ(ReceiveNow(pair.server, std::span<char>(&byte, 1)).error, kErrorWouldBlock);
    ASSERT_EQ(SetNonBlocking(pair.server, false), 0);
    ASSERT_EQ(pair.server.SetReceiveTimeout(200ms), 0);
    const auto start = Clock::now();
    EXPECT_EQ(pair.server.Receive(std::span<char>(&byte, 1)).error, kErrorTimedOut);
    EXPECT_GE(Clock::now() - start, 150ms);
}

TEST(SocketClosing, ShutdownSendingEndsOneDirectionOnly) {
    TcpPair pair = ConnectedPair();
    ASSERT_EQ(pair.server.ShutdownSending(), 0);
    char area[4];
    const IoResult ended = pair.client.ReceiveWithin(area, 3000ms);
    EXPECT_TRUE(ended.ok());
    EXPECT_EQ(ended.count, 0u);
    ASSERT_TRUE(pair.client.SendAll(std::span<const char>("ok", 2)).ok());
    const IoResult still = pair.server.ReceiveWithin(area, 3000ms);
    ASSERT_TRUE(still.ok());
    EXPECT_EQ(std::string_view(area, still.count), "ok");
}

TEST(SocketClosing, HardCloseResetsThePeer) {
    TcpPair pair = ConnectedPair();
    ASSERT_EQ(pair.server.SetHardClose(), 0);
    pair.server.Close();
    char area[4];
    EXPECT_EQ(pair.client.ReceiveWithin(area, 3000ms).error, kErrorConnectionReset);
}

TEST(SocketClosing, ReusedAddressBindsAPortThatIsStillInUse) {
    Socket first = BoundSocket(kDatagramSocket);
    ASSERT_EQ(first.SetReuseAddress(true), 0);
    const std::uint16_t port = LocalOf(first).port;
    int error = -1;
    Socket second = Socket::Create(kDatagramSocket, error);
    ASSERT_EQ(error, 0);
    EXPECT_EQ(second.Bind(Endpoint{kLoopback, port}), kErrorAddressInUse);
    Socket third = Socket::Create(kDatagramSocket, error);
    ASSERT_EQ(third.SetReuseAddress(true), 0);
    EXPECT_EQ(third.Bind(Endpoint{kLoopback, port}), 0);
}

}  // namespace
}  // namespace tavro::net
