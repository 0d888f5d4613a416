// The version queries of a search against scripted version ports on loopback addresses.

#include "discovery/version_queries.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "discovery/listen_for_replies.h"
#include "net/nonblocking_io.h"
#include "version_server.h"

namespace tavro::discovery {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::VersionScript;
using test::VersionServer;

// Slack on top of a bound, for a slow machine.
constexpr auto kSlack = 1500ms;
const net::Ipv4Address kTool = net::kLoopbackAddress;

class VersionQueriesTest : public ::testing::Test {
protected:
    // A version port on the next address from 127.0.0.2 on; all share one port number.
    std::string Serve(const VersionScript& script) {
        const std::string address = "127.0.0." + std::to_string(2 + servers_.size());
        servers_.push_back(std::make_unique<VersionServer>(address, port_, script));
        EXPECT_TRUE(servers_.back()->listening()) << address;
        port_ = servers_.back()->port();
        return address;
    }

    // A reply as the discovery leaves it; tag marks it in the hardware address.
    static DeviceRecord Reply(const std::string& address, int tag) {
        DeviceRecord row;
        std::strncpy(row.addressText, address.c_str(), sizeof row.addressText - 1);
        row.macAddress = {0x02,
                          0x00,
                          0x5E,
                          0x00,
                          static_cast<std::uint8_t>(tag >> 8),
                          static_cast<std::uint8_t>(tag & 0xFF)};
        return row;
    }

    static int TagOf(const DeviceRecord& row) { return row.macAddress[4] << 8 | row.macAddress[5]; }

    VersionQueries Queries(std::chrono::milliseconds bound) {
        DiscoveryOptions options;
        options.versionPort = port_;
        options.versionTimeout = bound;
        return VersionQueries(kTool, options);
    }

    std::vector<std::unique_ptr<VersionServer>> servers_;
    std::uint16_t port_ = 0;
};

TEST_F(VersionQueriesTest, SilentDevicesAmongHealthyOnesCostOneBoundAndTheListKeepsReplyOrder) {
    // Healthy devices answer in the reverse of their reply order; every other one is silent.
    std::vector<std::string> addresses;
    for (int i = 0; i < 5; ++i) {
        addresses.push_back(Serve({.answer = "SKETCH VER : " + std::to_string(100 + i) +
                                             "\r\nTEXT VER : " + std::to_string(i) + "\r\n",
                                   .delay = std::chrono::milliseconds(100 * (4 - i))}));
        addresses.push_back(Serve({.silent = true}));
    }
    VersionQueries queries = Queries(1000ms);
    const auto start = Clock::now();
    for (int i = 0; i < 10; ++i) queries.Take(Reply(addresses[i], i));
    ASSERT_EQ(queries.Finish(), 0);
    // One after another, the five silent ones alone would take five bounds.
    EXPECT_LT(Clock::now() - start, 1000ms + kSlack);

    auto table = std::make_unique<DeviceTable>();
    ASSERT_EQ(queries.WriteTable(*table), 5);
    EXPECT_EQ(table->deviceCount, 5);
    for (int i = 0; i < 5; ++i) {
        const DeviceRecord& row = table->rows[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.addressText, addresses[static_cast<std::size_t>(2 * i)]);
        EXPECT_EQ(TagOf(row), 2 * i);
        EXPECT_EQ(row.sketchVersion, 100u + static_cast<unsigned>(i));
        EXPECT_EQ(row.textVersion, static_cast<unsigned>(i));
    }
    EXPECT_EQ(queries.unlisted(), 0);
    for (const auto& server : servers_) {
        EXPECT_EQ(server->Requests(), std::vector<std::string>{std::string("VER\n\0", 5)});
    }
}

TEST_F(VersionQueriesTest, TheBoundCoversTheWholeAnswerHoweverItTrickles) {
    // One byte every 200 ms: each byte is quick, the answer as a whole is not.
    const std::string slow = Serve({.trickle = 200ms});
    // One byte every 10 ms ends well inside the bound, over many receives.
    const std::string steady = Serve({.trickle = 10ms});
    VersionQueries queries = Queries(1000ms);
    const auto start = Clock::now();
    queries.Take(Reply(slow, 1));
    queries.Take(Reply(steady, 2));
    ASSERT_EQ(queries.Finish(), 0);
    EXPECT_LT(Clock::now() - start, 1000ms + kSlack);

    const std::vector<const DeviceRecord*> rows = queries.AnsweredRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->addressText, steady);
    EXPECT_EQ(rows[0]->sketchVersion, 105u);
    EXPECT_EQ(rows[0]->textVersion, 3u);
}

TEST_F(VersionQueriesTest, TheListHolds256AndCountsTheRepliesThatFoundItFull) {
    const std::string device = Serve({});  // one device that replied 300 times
    VersionQueries queries = Queries(3000ms);
    for (int i = 0; i < 300; ++i) queries.Take(Reply(device, i));
    ASSERT_EQ(queries.Finish(), 0);

    auto table = std::make_unique<DeviceTable>();
    ASSERT_EQ(queries.WriteTable(*table), DeviceTable::kCapacity);
    for (int i = 0; i < DeviceTable::kCapacity; ++i) {
        EXPECT_EQ(TagOf(table->rows[static_cast<std::size_t>(i)]), i);
    }
    EXPECT_EQ(queries.unlisted(), 44);
    EXPECT_EQ(servers_[0]->Requests().size(), 256u);  // no query for a reply left out
}

TEST_F(VersionQueriesTest, FailedQueriesGiveTheirPlacesBackAndLeaveNoRow) {
    const std::string healthy = Serve({.answer = "SKETCH VER : 7\r\nTEXT VER : 8\r\n"});
    const std::string closed = "127.0.0.250";  // nothing listens there
    VersionQueries queries = Queries(2000ms);
    for (int i = 0; i < DeviceTable::kCapacity; ++i) queries.Take(Reply(closed, i));
    ASSERT_EQ(queries.Finish(), 0);
    queries.Take(Reply(healthy, 1000));
    DeviceRecord noAddress = Reply("", 1001);
    queries.Take(noAddress);
    queries.Take(Reply(healthy, 1002));
    ASSERT_EQ(queries.Finish(), 0);

    // The rows behind the listed ones keep what they held.
    auto table = std::make_unique<DeviceTable>();
    table->rows[2] = Reply("198.18.0.77", 77);
    ASSERT_EQ(queries.WriteTable(*table), 2);
    EXPECT_EQ(TagOf(table->rows[0]), 1000);
    EXPECT_EQ(table->rows[0].sketchVersion, 7u);
    EXPECT_EQ(TagOf(table->rows[1]), 1002);
    EXPECT_EQ(TagOf(table->rows[2]), 77);
    EXPECT_EQ(queries.unlisted(), 0);
}

// The probe socket's side of a search, fed by unicast datagrams on loopback: no probe is sent.
class ListenTest : public VersionQueriesTest {
protected:
    void SetUp() override {
        probeSocket_ = Udp("127.0.0.1");
        ASSERT_EQ(net::SetNonBlocking(probeSocket_), 0);
        ASSERT_EQ(probeSocket_.GetLocalEndpoint(probeEnd_), 0);
    }

    static net::Socket Udp(const std::string& address) {
        int error = 0;
        net::Socket socket = net::Socket::Create(net::kDatagramSocket, error);
        EXPECT_EQ(socket.Bind(net::Endpoint{*net::Ipv4Address::Parse(address), 0}), 0) << address;
        return socket;
    }

    // A 30-byte reply from the device's address, tagged like Reply().
    void SendReply(net::Socket& from, int tag) {
        std::string reply(30, '\0');
        reply[28] = static_cast<char>(tag >> 8);
        reply[29] = static_cast<char>(tag & 0xFF);
        EXPECT_TRUE(from.SendTo(reply, probeEnd_).ok());
    }

    DiscoveryOptions Options() const {
        DiscoveryOptions options;
        options.versionPort = port_;
        options.quietTime = 300ms;
        options.versionTimeout = 2000ms;
        options.searchBound = 5000ms;
        return options;
    }

    net::Socket probeSocket_;
    net::Endpoint probeEnd_;
};

TEST_F(ListenTest, ARunningQueryKeepsTheSearchListeningPastItsQuietStretch) {
    // The first device answers only after 1 s; the second replies after the quiet stretch
    // has passed but while the first query still runs.
    const std::string slow = Serve({.delay = 1000ms});
    const std::string late = Serve({});
    net::Socket slowDevice = Udp(slow);
    net::Socket lateDevice = Udp(late);
    const DiscoveryOptions options = Options();
    VersionQueries queries(kTool, options);

    const auto start = Clock::now();
    SendReply(slowDevice, 1);
    std::thread later([&] {
        std::this_thread::sleep_for(600ms);
        SendReply(lateDevice, 2);
    });
    bool endedAtBound = true;
    EXPECT_EQ(ListenForReplies(probeSocket_, queries, options, start, endedAtBound), 0);
    later.join();
    EXPECT_FALSE(endedAtBound);
    EXPECT_FALSE(queries.running());
    EXPECT_LT(Clock::now() - start, 1000ms + options.quietTime + kSlack);

    const std::vector<const DeviceRecord*> rows = queries.AnsweredRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->addressText, slow);
    EXPECT_EQ(TagOf(*rows[0]), 1);
    EXPECT_EQ(rows[1]->addressText, late);
    EXPECT_EQ(TagOf(*rows[1]), 2);
}

TEST_F(ListenTest, AFloodEndsAtTheBoundAndTheGenuineDeviceIsListed) {
    const std::string genuine = Serve({});
    net::Socket genuineDevice = Udp(genuine);
    net::Socket flooder = Udp("127.0.0.240");  // no version port there
    DiscoveryOptions options = Options();
    options.searchBound = 800ms;
    VersionQueries queries(kTool, options);

    const auto start = Clock::now();
    SendReply(genuineDevice, 7);
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        const auto stop = Clock::now() + 5s;
        while (flooding.load() && Clock::now() < stop) {
            SendReply(flooder, 9);
            std::this_thread::sleep_for(5ms);
        }
    });
    bool endedAtBound = false;
    EXPECT_EQ(ListenForReplies(probeSocket_, queries, options, start, endedAtBound), 0);
    const auto listened = Clock::now() - start;
    flooding.store(false);
    flood.join();
    EXPECT_TRUE(endedAtBound);
    EXPECT_LT(listened, options.searchBound + kSlack);

    ASSERT_EQ(queries.Finish(), 0);
    const std::vector<const DeviceRecord*> rows = queries.AnsweredRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->addressText, genuine);
}

TEST_F(ListenTest, LongDatagramsAreDroppedAndShortRepliesReadAsZeros) {
    const std::string device = Serve({});
    net::Socket sender = Udp(device);
    const DiscoveryOptions options = Options();
    VersionQueries queries(kTool, options);
    const auto start = Clock::now();
    EXPECT_TRUE(sender.SendTo(std::string(31, '\x7F'), probeEnd_).ok());
    EXPECT_TRUE(sender.SendTo(std::string(9, '\x7F'), probeEnd_).ok());
    bool endedAtBound = true;
    EXPECT_EQ(ListenForReplies(probeSocket_, queries, options, start, endedAtBound), 0);
    ASSERT_EQ(queries.Finish(), 0);

    const std::vector<const DeviceRecord*> rows = queries.AnsweredRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->reply8, 0x7F);
    EXPECT_EQ(rows[0]->reply9, 0);
    EXPECT_EQ(rows[0]->macAddress, (std::array<std::uint8_t, 6>{}));
    EXPECT_EQ(servers_[0]->Requests().size(), 1u);
}

TEST_F(ListenTest, NothingComingEndsAfterTheQuietStretch) {
    const DiscoveryOptions options = Options();
    VersionQueries queries(kTool, options);
    const auto start = Clock::now();
    bool endedAtBound = true;
    EXPECT_EQ(ListenForReplies(probeSocket_, queries, options, start, endedAtBound), 0);
    EXPECT_FALSE(endedAtBound);
    EXPECT_LT(Clock::now() - start, options.quietTime + kSlack);
    EXPECT_TRUE(queries.AnsweredRows().empty());
}

}  // namespace
}  // namespace tavro::discovery
