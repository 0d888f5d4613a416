// Why a version query ended, against scripted version ports on loopback addresses.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "discovery/sightings.h"
#include "discovery/version_queries.h"
#include "net/socket_error.h"
#include "scripted_peer.h"
#include "version_server.h"

namespace tavro::discovery {
namespace {

using namespace std::chrono_literals;
using test::ScriptedPeer;
using Clock = std::chrono::steady_clock;

VersionFinding Ask(std::uint16_t port, std::chrono::milliseconds bound = 3000ms) {
    DiscoveryOptions options;
    options.versionPort = port;
    options.versionTimeout = bound;
    return QueryVersionOf(net::kLoopbackAddress, net::kLoopbackAddress, options);
}

VersionFinding AskPeer(const std::string& answer,
                       ScriptedPeer::After after = ScriptedPeer::After::Close,
                       std::chrono::milliseconds bound = 3000ms) {
    ScriptedPeer peer(answer, after);
    return Ask(peer.port(), bound);
}

TEST(VersionFate, AStrictAnswerCarriesItsVersion) {
    const VersionFinding finding = AskPeer("SKETCH VER : 105\r\nTEXT VER : 3\r\n");
    EXPECT_EQ(finding.fate, VersionFate::Answered);
    EXPECT_EQ(finding.strictVersion, 105u);
}

TEST(VersionFate, BytesThatAreNoVersionMeanTheDeviceIsThereUnreadable) {
    for (const char* answer : {
             "hello\r\nworld\r\n",  // two lines: listed, yet no version
             "SKETCH VER : ?\r\nTEXT VER : 3\r\n",
             "SKETCH VER : 105\r\n",        // then the device closes
             "garbage without a line end",  // then the device closes
         }) {
        const VersionFinding finding = AskPeer(answer);
        EXPECT_EQ(finding.fate, VersionFate::Unreadable) << answer;
        EXPECT_FALSE(finding.strictVersion) << answer;
    }
    // 256 bytes without a second LF, the device still connected.
    const VersionFinding flood = AskPeer(std::string(300, 'x'), ScriptedPeer::After::StaySilent);
    EXPECT_EQ(flood.fate, VersionFate::Unreadable);
}

TEST(VersionFate, NoByteFromTheDeviceIsSilence) {
    // Closed without a word.
    EXPECT_EQ(AskPeer("").fate, VersionFate::Silent);
    // Connected, then nothing until the bound.
    const auto start = Clock::now();
    EXPECT_EQ(AskPeer("", ScriptedPeer::After::StaySilent, 300ms).fate, VersionFate::Silent);
    EXPECT_LT(Clock::now() - start, 3000ms);
    // Half an answer, then nothing until the bound: the device is there.
    EXPECT_EQ(AskPeer("SKETCH VER : 1\r", ScriptedPeer::After::StaySilent, 300ms).fate,
              VersionFate::Unreadable);

    // Refused: a port bound but not listening.
    int error = 0;
    net::Socket closed = net::Socket::Create(net::kStreamSocket, error);
    ASSERT_EQ(closed.Bind(net::Endpoint{net::kLoopbackAddress, 0}), 0);
    net::Endpoint local;
    ASSERT_EQ(closed.GetLocalEndpoint(local), 0);
    const VersionFinding refused = Ask(local.port);
    EXPECT_EQ(refused.fate, VersionFate::Silent);
    EXPECT_EQ(refused.localError, 0);
}

// Several devices behind fewer query places, each on its own loopback address.
class WaitingPlacesTest : public ::testing::Test {
protected:
    std::string Serve(const test::VersionScript& script) {
        const std::string address = "127.0.0." + std::to_string(2 + servers_.size());
        servers_.push_back(std::make_unique<test::VersionServer>(address, port_, script));
        EXPECT_TRUE(servers_.back()->listening()) << address;
        port_ = servers_.back()->port();
        return address;
    }

    static DeviceRecord Reply(const std::string& address, std::uint8_t tag) {
        DeviceRecord row;
        std::strncpy(row.addressText, address.c_str(), sizeof row.addressText - 1);
        row.macAddress = {0x02, 0x00, 0x5E, 0x00, 0x00, tag};
        return row;
    }

    std::vector<std::unique_ptr<test::VersionServer>> servers_;
    std::uint16_t port_ = 0;
};

TEST_F(WaitingPlacesTest, MoreRepliesThanPlacesAllWaitAndEachGetsItsOwnBound) {
    std::vector<std::string> addresses;
    for (int i = 0; i < 6; ++i) {
        addresses.push_back(
            Serve({.answer = "SKETCH VER : " + std::to_string(100 + i) + "\r\nTEXT VER : 1\r\n",
                   .delay = 400ms}));
    }
    DiscoveryOptions options;
    options.versionPort = port_;
    // Three rounds of 400 ms: the last would not fit one bound counted from its reply.
    options.versionTimeout = 1000ms;
    VersionQueries queries(net::kLoopbackAddress, options, VersionQueries::Overflow::wait, 2);
    const auto start = Clock::now();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        queries.Take(Reply(addresses[i], static_cast<std::uint8_t>(i)));
    }
    // The same device again while its query runs: it takes that query's finding.
    queries.Take(Reply(addresses[0], 6));
    ASSERT_EQ(queries.Finish(), 0);
    // Never more than two at once: three rounds one after another.
    EXPECT_GE(Clock::now() - start, 1100ms);

    const std::vector<Sighting> sightings = queries.Sightings();
    ASSERT_EQ(sightings.size(), 7u);
    for (std::size_t i = 0; i < sightings.size(); ++i) {
        const std::size_t device = i < 6 ? i : 0;
        EXPECT_EQ(sightings[i].row.macAddress[5], i) << i;
        EXPECT_EQ(sightings[i].row.addressText, addresses[device]) << i;
        EXPECT_EQ(sightings[i].version.fate, VersionFate::Answered) << i;
        EXPECT_EQ(sightings[i].version.strictVersion, 100 + device) << i;
        EXPECT_TRUE(sightings[i].listed) << i;
        EXPECT_EQ(sightings[i].row.sketchVersion, 100 + device) << i;
    }
    EXPECT_EQ(queries.unlisted(), 0);
    EXPECT_EQ(queries.AnsweredRows().size(), 7u);
    for (const auto& server : servers_) {
        EXPECT_EQ(server->Requests().size(), 1u);
    }
}

TEST_F(WaitingPlacesTest, ADeviceRepeatingItsReplyCostsOneQueryAndThePastTheMostAreCounted) {
    const std::string device = Serve({.delay = 100ms});
    DiscoveryOptions options;
    options.versionPort = port_;
    VersionQueries queries(net::kLoopbackAddress, options, VersionQueries::Overflow::wait);
    const std::size_t sent = VersionQueries::kMostReplies + 5;
    for (std::size_t i = 0; i < sent; ++i) queries.Take(Reply(device, 1));
    ASSERT_EQ(queries.Finish(), 0);

    const std::vector<Sighting> sightings = queries.Sightings();
    ASSERT_EQ(sightings.size(), VersionQueries::kMostReplies);
    EXPECT_EQ(queries.unlisted(), 5);
    for (const Sighting& sighting : sightings) {
        ASSERT_EQ(sighting.version.fate, VersionFate::Answered);
    }
    EXPECT_EQ(servers_[0]->Requests().size(), 1u);
}

TEST_F(WaitingPlacesTest, EveryReplyKeepsItsOwnFateInReplyOrder) {
    const std::string healthy = Serve({});
    const std::string silent = Serve({.silent = true});
    const std::string garbage = Serve({.answer = "hello\r\nworld\r\n"});
    DiscoveryOptions options;
    options.versionPort = port_;
    options.versionTimeout = 500ms;
    VersionQueries queries(net::kLoopbackAddress, options, VersionQueries::Overflow::wait, 1);
    queries.Take(Reply(silent, 0));
    queries.Take(Reply(garbage, 1));
    queries.Take(Reply(healthy, 2));
    queries.Take(Reply("127.0.0.250", 3));  // nothing listens there
    ASSERT_EQ(queries.Finish(), 0);

    const std::vector<Sighting> sightings = queries.Sightings();
    ASSERT_EQ(sightings.size(), 4u);
    EXPECT_EQ(sightings[0].version.fate, VersionFate::Silent);
    EXPECT_FALSE(sightings[0].listed);
    EXPECT_EQ(sightings[1].version.fate, VersionFate::Unreadable);
    EXPECT_TRUE(sightings[1].listed);  // the device list lists an answer without a version
    EXPECT_EQ(sightings[2].version.fate, VersionFate::Answered);
    EXPECT_EQ(sightings[2].row.sketchVersion, 105u);
    EXPECT_EQ(sightings[3].version.fate, VersionFate::Silent);
    for (std::size_t i = 0; i < sightings.size(); ++i) {
        EXPECT_EQ(sightings[i].row.macAddress[5], i);
    }
}

}  // namespace
}  // namespace tavro::discovery
