// The simulator's own parsing: a test peer that misreads its orders or the writer's messages
// would make the end-to-end tests pass or fail for the wrong reason.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "net/socket.h"
#include "sim/device_life.h"
#include "sim/device_settings.h"
#include "sim/discovery_responder.h"
#include "sim/escaped_text.h"
#include "sim/invitation.h"
#include "sim/md5_hex.h"
#include "sim/version_server.h"

namespace tavro::sim {
namespace {

using ::testing::ElementsAre;

DeviceSettings Parse(const std::string& text) {
    std::string why;
    auto settings = ParseDeviceSettings(text, why);
    EXPECT_TRUE(settings.has_value()) << text << ": " << why;
    return settings.value_or(DeviceSettings{});
}

TEST(SimulatorDeviceSettings, AddressAloneGivesAnOrdinaryDevice) {
    const DeviceSettings settings = Parse("198.18.0.10");
    EXPECT_EQ(settings.address, *net::Ipv4Address::Parse("198.18.0.10"));
    EXPECT_THAT(settings.mac, ElementsAre(0x02, 0x00, 0x5E, 18, 0, 10));
    EXPECT_EQ(VersionAnswer(settings), "SKETCH VER : 105\r\nTEXT VER : 3\r\n");
    EXPECT_EQ(settings.replies, 1);
    EXPECT_FALSE(settings.password.has_value());
}

TEST(SimulatorDeviceSettings, KeysAndFlagsSetTheirFaults) {
    const DeviceSettings settings = Parse(
        "198.18.0.11,mac=0a:1b:2c:3d:4e:5f,sketch=7,text=8,password=pw,replies=2,reply-length=31,"
        "version-answer=A\\x2cB\\r\\n\\x00,version=silent,ignore-invitations=3,refuse-auth,"
        "close-after=1500,connect-from=198.18.0.20,no-final");
    EXPECT_THAT(settings.mac, ElementsAre(0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F));
    EXPECT_EQ(settings.password, "pw");
    EXPECT_EQ(settings.replies, 2);
    EXPECT_EQ(settings.replyLength, 31u);
    EXPECT_EQ(VersionAnswer(settings), std::string("A,B\r\n\0", 6));
    EXPECT_EQ(settings.versionMode, VersionMode::Silent);
    EXPECT_EQ(settings.ignoreInvitations, 3);
    EXPECT_TRUE(settings.refuseAuth);
    EXPECT_EQ(settings.closeAfter, 1500u);
    EXPECT_EQ(settings.connectFromText, "198.18.0.20");
    EXPECT_TRUE(settings.noFinal);
    EXPECT_EQ(Parse("198.18.0.12,no-reply").replies, 0);
}

TEST(SimulatorDeviceLife, AfterAnUpdateTheDeviceIsAwayThenBackWithItsNewVersion) {
    const DeviceSettings resetting = Parse("198.18.0.11,reset-ms=150,sketch-after=120");
    DeviceLife life(resetting);
    EXPECT_FALSE(life.Away());
    EXPECT_EQ(life.SketchVersion(), 105u);
    life.Updated();
    EXPECT_TRUE(life.Away());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (life.Away() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(life.Away()) << "still away 10 s after a reset of 150 ms";
    EXPECT_EQ(VersionAnswer(resetting, life.SketchVersion()),
              "SKETCH VER : 120\r\nTEXT VER : 3\r\n");

    const DeviceSettings gone = Parse("198.18.0.12,never-back");
    DeviceLife goneLife(gone);
    goneLife.Updated();
    EXPECT_TRUE(goneLife.Away());
    EXPECT_EQ(goneLife.SketchVersion(), 105u);

    std::string why;
    EXPECT_FALSE(ParseDeviceSettings("198.18.0.13,reset-ms=-1", why));
    EXPECT_FALSE(ParseDeviceSettings("198.18.0.13,never-back=1", why));
}

TEST(SimulatorDeviceSettings, HostileFaultsAreReadWithTheirValues) {
    const DeviceSettings upload = Parse(
        "198.18.0.11,shutdown-on-accept,extra-ack=\\x2c!\\r,final-word=N\\x00G,final-split-ms=250,"
        "answer-from=198.18.0.20,stranger-answer=198.18.0.21,stranger-connect=198.18.0.22");
    EXPECT_TRUE(upload.shutdownOnAccept);
    EXPECT_FALSE(upload.closeOnAccept);
    EXPECT_FALSE(upload.ackInAdvance);
    EXPECT_EQ(upload.extraAck, ",!\r");
    EXPECT_EQ(upload.finalWord, std::string("N\0G", 3));
    EXPECT_EQ(upload.finalSplitMs, 250);
    EXPECT_EQ(upload.answerFrom, *net::Ipv4Address::Parse("198.18.0.20"));
    EXPECT_EQ(upload.strangerAnswer, *net::Ipv4Address::Parse("198.18.0.21"));
    EXPECT_EQ(upload.strangerConnect, *net::Ipv4Address::Parse("198.18.0.22"));
    EXPECT_EQ(upload.strangerConnectText, "198.18.0.22");
    EXPECT_TRUE(Parse("198.18.0.11,close-on-accept").closeOnAccept);
    EXPECT_TRUE(Parse("198.18.0.11,ack-in-advance").ackInAdvance);

    // An empty final word is a word: the device closes without saying anything.
    EXPECT_EQ(Parse("198.18.0.11,final-word=").finalWord, "");
    EXPECT_FALSE(Parse("198.18.0.11").finalWord.has_value());
    EXPECT_FALSE(Parse("198.18.0.11").finalSplitMs.has_value());

    const DeviceSettings discovery =
        Parse("198.18.0.12,flood-rate=500,flood-seconds=30,version-trickle-ms=2000");
    EXPECT_EQ(discovery.floodRate, 500);
    EXPECT_EQ(discovery.floodSeconds, 30);
    EXPECT_EQ(discovery.versionTrickleMs, 2000);
}

TEST(SimulatorDeviceSettings, FaultsWithoutABoundOrAtOddsAreRefused) {
    for (const char* text :
         {"198.18.0.10,flood-rate=100", "198.18.0.10,flood-seconds=5",
          "198.18.0.10,flood-rate=100,flood-seconds=31",
          "198.18.0.10,flood-rate=-1,flood-seconds=1", "198.18.0.10,version-trickle-ms=-5",
          "198.18.0.10,final-split-ms=", "198.18.0.10,close-on-accept,ack-in-advance",
          "198.18.0.10,shutdown-on-accept=1", "198.18.0.10,answer-from=198.18.0.010",
          "198.18.0.10,stranger-connect=", "198.18.0.10,stranger-answer=host",
          "198.18.0.10,extra-ack=\\z"}) {
        std::string why;
        EXPECT_FALSE(ParseDeviceSettings(text, why).has_value()) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
}

TEST(SimulatorDeviceSettings, UnknownOrMalformedOrdersAreRefused) {
    for (const char* text :
         {"", "198.18.0", "198.18.0.10,bogus", "198.18.0.10,sketch=x", "198.18.0.10,mac=02-00-5E",
          "198.18.0.10,version=loud", "198.18.0.10,refuse-auth=1", "198.18.0.10,replies=-1",
          "198.18.0.10,reply-length=0", "198.18.0.10,version-answer=\\q"}) {
        std::string why;
        EXPECT_FALSE(ParseDeviceSettings(text, why).has_value()) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
}

TEST(SimulatorEscapes, EveryByteSurvivesTheRoundTrip) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    std::string why;
    EXPECT_EQ(UnescapeText(EscapeText(bytes), why), bytes);
    EXPECT_EQ(EscapeText(std::string("VER\n\0", 5)), "VER\\n\\0");
}

TEST(SimulatorDiscoveryReply, HardwareAddressSitsAtBytes24To29WhenItFits) {
    DeviceSettings settings = Parse("198.18.0.10,mac=02-00-5E-0A-0B-0C");
    const std::string reply = DiscoveryReply(settings);
    ASSERT_EQ(reply.size(), 30u);
    EXPECT_EQ(reply.substr(24), std::string("\x02\x00\x5E\x0A\x0B\x0C", 6));
    settings.replyLength = 31;
    EXPECT_EQ(DiscoveryReply(settings).substr(24, 6), std::string("\x02\x00\x5E\x0A\x0B\x0C", 6));
    settings.replyLength = 20;
    EXPECT_EQ(DiscoveryReply(settings).size(), 20u);
}

TEST(SimulatorInvitation, OnlyTheExactFormIsAnInvitation) {
    const std::string md5(32, 'a');
    const auto invitation = ParseInvitation("0 40000 2500 " + md5 + "\n");
    ASSERT_TRUE(invitation.has_value());
    EXPECT_EQ(invitation->port, 40000);
    EXPECT_EQ(invitation->length, 2500u);
    EXPECT_EQ(invitation->md5Hex, md5);
    for (const std::string& text :
         {"0 40000 2500 " + md5, "0 40000 2500 " + md5 + "\r\n", "1 40000 2500 " + md5 + "\n",
          "0  40000 2500 " + md5 + "\n", "0 70000 2500 " + md5 + "\n", "0 0 2500 " + md5 + "\n",
          "0 40000 -1 " + md5 + "\n", "0 40000 2500 " + std::string(32, 'A') + "\n",
          "0 40000 2500 " + md5 + "0\n", "0 40000 2500 " + md5 + std::string("\n\0", 2)}) {
        EXPECT_FALSE(ParseInvitation(text).has_value()) << EscapeText(text);
    }
}

TEST(SimulatorInvitation, AuthAnswerNeedsCommand200AndTwoDigests) {
    const std::string a(32, 'a'), b(32, 'b');
    const auto answer = ParseAuthAnswer("200 " + a + " " + b + "\n");
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->cnonce, a);
    EXPECT_EQ(answer->response, b);
    EXPECT_FALSE(ParseAuthAnswer("200 " + a + " " + b).has_value());
    EXPECT_FALSE(ParseAuthAnswer("201 " + a + " " + b + "\n").has_value());
    EXPECT_FALSE(ParseAuthAnswer("200 " + a + "\n").has_value());
}

TEST(SimulatorInvitation, ExpectedResponseChainsThreeDigests) {
    // MD5("") is d41d8cd98f00b204e9800998ecf8427e; the outer digest was computed by hand with
    // another MD5 tool over "d41d8cd98f00b204e9800998ecf8427e:n:c".
    EXPECT_EQ(ExpectedResponse("", "n", "c"), "2dee6f1d654f68b4cab83d0be501825d");
    EXPECT_EQ(FreshNonce().size(), 32u);
    EXPECT_NE(FreshNonce(), FreshNonce());
}

// The simulator's MD5 is its own; the test suite of RFC 1321, with inputs that end on each side
// of the 56-byte padding edge and across a second block.
TEST(SimulatorMd5, GivesTheReferenceDigests) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [input, digest] : cases) {
        EXPECT_EQ(Md5Hex(input), digest) << input;
    }
}

}  // namespace
}  // namespace tavro::sim
