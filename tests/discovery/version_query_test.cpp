#include "discovery/version_query.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "scripted_peer.h"

namespace tavro::discovery {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::ScriptedPeer;

const std::string kRequest("VER\n\0", 5);

struct QueryOutcome {
    int result = -1;
    DeviceRecord row;
    std::string request;  // what the device was sent
};

// Runs one query against a device that answers with these bytes. The row starts with
// versions 77 and 88 so that "nothing stored" can be told apart from "stored 0".
QueryOutcome Query(const std::string& answer,
                   ScriptedPeer::After after = ScriptedPeer::After::Close,
                   std::chrono::milliseconds timeout = 3000ms) {
    ScriptedPeer peer(answer, after);
    QueryOutcome outcome;
    std::strcpy(outcome.row.addressText, "127.0.0.1");
    outcome.row.sketchVersion = 77;
    outcome.row.textVersion = 88;
    DiscoveryOptions options;
    options.versionPort = peer.port();
    options.versionTimeout = timeout;
    outcome.result = QueryDeviceVersion(outcome.row, net::kLoopbackAddress, options);
    outcome.request = peer.Received();
    return outcome;
}

TEST(QueryDeviceVersion, ExampleAnswerStoresBothNumbersAfterTheExactRequest) {
    const QueryOutcome outcome = Query("SKETCH VER : 105\r\nTEXT VER : 3\r\n");
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.row.sketchVersion, 105u);
    EXPECT_EQ(outcome.row.textVersion, 3u);
    EXPECT_EQ(outcome.request, kRequest);
    EXPECT_STREQ(outcome.row.addressText, "127.0.0.1");
}

TEST(QueryDeviceVersion, NumberIsReadAtThePrefixLengthFromTheLineStart) {
    struct Case {
        const char* answer;
        std::uint32_t sketch;
        std::uint32_t text;
    };
    const Case cases[] = {
        {"SKETCH VER 105\r\nTEXT VER 7\r\n", 105, 7},
        {"SKETCH VER: 105\r\nTEXT VER: 7\r\n", 0, 0},  // reading starts at the colon
        {"MY SKETCH VER : 5\r\nTEXT VER : 3\r\n", 0, 3},
        {"SKETCH VER : -1\r\nTEXT VER : +12\r\n", 4294967295u, 12},
        {"SKETCH VER : 99999999999\r\nTEXT VER : -2\r\n", 4294967295u, 4294967294u},
        {"SKETCH VER :  \t42abc\r\nTEXT VER : x\r\n", 42, 0},
    };
    for (const Case& c : cases) {
        const QueryOutcome outcome = Query(c.answer);
        EXPECT_EQ(outcome.result, 1) << c.answer;
        EXPECT_EQ(outcome.row.sketchVersion, c.sketch) << c.answer;
        EXPECT_EQ(outcome.row.textVersion, c.text) << c.answer;
    }
}

TEST(QueryDeviceVersion, LinesWithoutPrefixSucceedAndStoreNothing) {
    const QueryOutcome outcome = Query("hello\r\nworld\r\n");
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.row.sketchVersion, 77u);
    EXPECT_EQ(outcome.row.textVersion, 88u);
}

TEST(QueryDeviceVersion, LongLinesAreSearchedInTheirFirst31Characters) {
    // Read whole, the first line would give 42; its first 31 characters hold only zeros.
    const QueryOutcome longNumber = Query("SKETCH VER 0000000000000000000042\r\nTEXT VER 1\r\n");
    EXPECT_EQ(longNumber.result, 1);
    EXPECT_EQ(longNumber.row.sketchVersion, 0u);
    EXPECT_EQ(longNumber.row.textVersion, 1u);

    const QueryOutcome latePrefix =
        Query("..............................SKETCH VER : 5\r\nTEXT VER : 6\r\n");
    EXPECT_EQ(latePrefix.result, 1);
    EXPECT_EQ(latePrefix.row.sketchVersion, 77u);
    EXPECT_EQ(latePrefix.row.textVersion, 6u);
}

TEST(QueryDeviceVersion, AnswersWithoutTwoCrEndedLinesFail) {
    for (const char* answer : {
             "SKETCH VER : 105\nTEXT VER : 3\n",    // LF only
             "SKETCH VER : 105\r\nTEXT VER : 3\n",  // second line without CR
             "SKETCH VER : 105\r\n",                // one line, then the device closes
             "SKETCH VER : 105\r\nTEXT VER",        // closed early
             "",                                    // closed without a word
         }) {
        const QueryOutcome outcome = Query(answer);
        EXPECT_EQ(outcome.result, 0) << answer;
        EXPECT_EQ(outcome.row.sketchVersion, 77u) << answer;
        EXPECT_EQ(outcome.row.textVersion, 88u) << answer;
    }
}

TEST(QueryDeviceVersion, AnswerEndsAtTheSecondLineFeedWithin256Bytes) {
    // Second LF as byte 256: accepted, and the bytes after it are never needed.
    const std::string head = "SKETCH VER : 105\r\nTEXT VER : 3";
    std::string answer = head + std::string(256 - head.size() - 2, ' ') + "\r\n";
    ASSERT_EQ(answer.size(), 256u);
    const QueryOutcome accepted = Query(answer + "trailing bytes", ScriptedPeer::After::StaySilent);
    EXPECT_EQ(accepted.result, 1);
    EXPECT_EQ(accepted.row.sketchVersion, 105u);
    EXPECT_EQ(accepted.row.textVersion, 3u);

    // 256 bytes with one LF, the second LF as byte 257: refused.
    answer.back() = ' ';
    const QueryOutcome refused = Query(answer + "\n", ScriptedPeer::After::StaySilent);
    EXPECT_EQ(refused.result, 0);
}

TEST(QueryDeviceVersion, SilentDeviceFailsWithinTheBound) {
    const auto start = Clock::now();
    const QueryOutcome outcome = Query("", ScriptedPeer::After::StaySilent, 300ms);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_LT(Clock::now() - start, 3000ms);

    // A device that stops in the middle of its answer is bounded the same way.
    const auto middle = Clock::now();
    EXPECT_EQ(Query("SKETCH VER : 1\r", ScriptedPeer::After::StaySilent, 300ms).result, 0);
    EXPECT_LT(Clock::now() - middle, 3000ms);
}

TEST(QueryDeviceVersion, UnreachableDeviceOrBadAddressFails) {
    std::uint16_t closedPort = 0;
    {
        int error = 0;
        net::Socket probe = net::Socket::Create(net::kStreamSocket, error);
        ASSERT_EQ(probe.Bind(net::Endpoint{*net::Ipv4Address::Parse("127.0.0.1"), 0}), 0);
        net::Endpoint local;
        ASSERT_EQ(probe.GetLocalEndpoint(local), 0);
        closedPort = local.port;
    }
    DeviceRecord row;
    std::strcpy(row.addressText, "127.0.0.1");
    DiscoveryOptions options;
    options.versionPort = closedPort;
    EXPECT_EQ(QueryDeviceVersion(row, net::kLoopbackAddress, options), 0);
    // An address on no interface here cannot be bound.
    EXPECT_EQ(QueryDeviceVersion(row, *net::Ipv4Address::Parse("198.18.0.254"), options), 0);
    std::strcpy(row.addressText, "1.2.3.999");
    EXPECT_EQ(QueryDeviceVersion(row, net::kLoopbackAddress, options), 0);
}

}  // namespace
}  // namespace tavro::discovery
