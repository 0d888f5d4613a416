// Uploads against devices that break the protocol, and against strangers on the network:
// none of them may end in success unless the device took the announced image, and none may
// hang the upload past its bound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "upload_test_fixture.h"

namespace tavro::upload {
namespace {

using namespace test;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kFinalNote =
    "ファームウェアを送信終了。\r\n"
    "OKの文字列がきたら相手はリセットがかかる（文字列の内容は確認してないけど）。\r\n";

class HostilePeerTest : public RunUploadTest {
protected:
    // Bound plus generous slack: a slow machine must not fail the test, a hang must.
    static constexpr auto kSlack = 5s;
};

// --- a device that stops short of the image -------------------------------------------------

TEST_F(HostilePeerTest, DeviceThatClosesOrShutsDownInsteadOfAcknowledgingIsReset) {
    for (const bool shutDownOnly : {false, true}) {
        SCOPED_TRACE(shutDownOnly ? "shut down its sending side" : "closed");
        WriteFirmware(5000);
        sink_ = RecordingSink{};
        DeviceScript script;
        script.closeAtOnce = !shutDownOnly;
        script.shutDownSendingAtOnce = shutDownOnly;
        ScriptedDevice device(script);
        EXPECT_EQ(Upload(RequestFor(device)), 10054);
        EXPECT_THAT(sink_.log, EndsWith(kConnected + ".recv error.10054\r\n"));
        EXPECT_TRUE(sink_.progress.empty()) << "no block counts as acknowledged";
        EXPECT_LT(device.Finish().image.size(), bytes_.size());
        EXPECT_LT(elapsed_, timeouts_.acknowledgement + kSlack);
    }
}

TEST_F(HostilePeerTest, FinalWordOtherThanOkIsRefusedAndLoggedAsItCame) {
    WriteFirmware(2500);
    DeviceScript script;
    script.finalReply = {"NG"};
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadRefused);
    EXPECT_THAT(sink_.log, EndsWith(kFinalNote + "Bad Answer: NG\r\n"));
}

TEST_F(HostilePeerTest, FinalWordThatStopsAtOIsRefused) {
    WriteFirmware(100);
    DeviceScript script;
    script.finalReply = {"O"};
    script.closeAfterFinalReply = true;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadRefused);
    EXPECT_THAT(sink_.log, EndsWith(kFinalNote + "Bad Answer: O\r\n"));
}

// Bytes behind each acknowledgement make the tool take them for the next ones and run ahead
// of the device; its final read then meets those bytes, never "OK".
TEST_F(HostilePeerTest, ExtraBytesAfterAcknowledgementsNeverReadAsSuccess) {
    WriteFirmware(10 * 1024);
    DeviceScript script;
    script.acknowledgementTail = "!";
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadRefused);
    EXPECT_THAT(sink_.log, HasSubstr(kFinalNote + "Bad Answer: "));
    EXPECT_THAT(sink_.log, Not(HasSubstr("全終了")));
}

TEST_F(HostilePeerTest, DeviceThatAcknowledgesAheadAndStopsReadingEndsTheSendWithinItsBound) {
    WriteFirmware(8 * 1024 * 1024);
    timeouts_.acknowledgement = 500ms;
    DeviceScript script;
    script.acknowledgeAhead = true;
    script.neverRead = true;
    script.receiveBuffer = 64 * 1024;
    script.patience = 20s;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), 10060);
    EXPECT_THAT(sink_.log, EndsWith(".send error.10060\r\n"));
    EXPECT_LT(elapsed_, 10s + kSlack) << "a full window must not hold the upload";
    EXPECT_TRUE(device.Finish().hungUpOn);
}

// --- the image is the one announced ---------------------------------------------------------

TEST_F(HostilePeerTest, FileRewrittenAfterItsDigestNeverReachesTheDeviceWhole) {
    WriteFirmware(2500);
    const std::string rewritten = FirmwareBytes(2600).substr(100);
    ASSERT_NE(rewritten, bytes_);
    DeviceScript script;
    script.beforeConsenting = [&] {
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.write(rewritten.data(), static_cast<std::streamsize>(rewritten.size()));
    };
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadFileError);
    EXPECT_THAT(sink_.log, EndsWith(kConnected + "...file changed during the upload.\r\n"));
    const auto& seen = device.Finish();
    EXPECT_EQ(seen.image, rewritten.substr(0, 2048)) << "the last block must stay with the tool";
}

// --- strangers on the network ---------------------------------------------------------------

TEST_F(HostilePeerTest, StrangersDatagramsAreIgnoredAndTheDeviceIsServed) {
    WriteFirmware(3000);
    DeviceScript script;
    script.strangerReplies = {"OK", "AUTH 0123", "OK"};
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
    const auto& seen = device.Finish();
    EXPECT_EQ(seen.invitations.size(), 1u) << "a stranger's datagram is no unanswered attempt";
    EXPECT_TRUE(seen.image == bytes_);
    EXPECT_EQ(Count(sink_.log, "ignored datagram from 127.0.0.2:"), 3u);
    EXPECT_THAT(sink_.log, HasSubstr("recvfrom: ignored datagram from 127.0.0.2:"));
    EXPECT_THAT(sink_.log, HasSubstr("\r\nrecvfrom: ok.\r\n" + kOkNote));
}

TEST_F(HostilePeerTest, StrangerAnsweringForASilentDeviceGetsNothing) {
    WriteFirmware(100);
    timeouts_.reply = 100ms;
    DeviceScript script;
    script.earlyReplies = std::vector<std::string>(10, "");
    script.strangerReplies = {"OK"};
    script.patience = 1000ms;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadRefused);
    EXPECT_EQ(device.Finish().invitations.size(), 10u);
    EXPECT_EQ(Count(sink_.log, "ignored datagram from 127.0.0.2:"), 10u);
    EXPECT_EQ(Count(sink_.log, "no-recv.\r\n"), 10u);
    EXPECT_THAT(sink_.log, EndsWith("no-recv error.\r\n"));
    EXPECT_LT(elapsed_, 10 * timeouts_.reply + kSlack);
}

TEST_F(HostilePeerTest, StrangersVerdictIsIgnored) {
    WriteFirmware(100);
    DeviceScript script;
    script.challenge = true;
    script.password = kUploadPassword;
    script.strangerVerdict = "OK";
    ScriptedDevice device(script);
    UploadRequest request = RequestFor(device);
    request.password = "VESPERDUM";  // the device says "NG", the stranger "OK"
    EXPECT_EQ(Upload(request), kUploadRefused);
    EXPECT_EQ(Count(sink_.log, "recvfrom: ignored datagram from 127.0.0.2:"), 1u);
    EXPECT_THAT(sink_.log, EndsWith("\r\nrecvfrom: done: FAIL\r\n"));
}

TEST_F(HostilePeerTest, StrangersConnectionIsShutOutAndTheDeviceStillServed) {
    for (const bool deviceComes : {true, false}) {
        SCOPED_TRACE(deviceComes ? "the device connects next" : "the device never connects");
        WriteFirmware(2500);
        sink_ = RecordingSink{};
        timeouts_.connectBack = 1500ms;
        DeviceScript script;
        script.strangerConnectsFirst = true;
        script.connectBack = deviceComes;
        ScriptedDevice device(script);
        const UploadResult result = Upload(RequestFor(device));
        const auto& seen = device.Finish();
        EXPECT_TRUE(seen.strangerShutOut);
        EXPECT_EQ(seen.strangerReceived, 0u) << "a stranger got firmware bytes";
        EXPECT_LT(seen.strangerWaited, timeouts_.connectBack) << "the stranger was kept waiting";
        EXPECT_THAT(sink_.log, HasSubstr(kWaitingLines + "ignored connection from 127.0.0.2\r\n"));
        if (deviceComes) {
            EXPECT_EQ(result, kUploadSucceeded);
            EXPECT_TRUE(seen.image == bytes_);
        } else {
            EXPECT_EQ(result, 10060);
            EXPECT_THAT(sink_.log,
                        EndsWith("ignored connection from 127.0.0.2\r\nERROR: 10060\r\n"));
            EXPECT_LT(elapsed_, timeouts_.connectBack + kSlack) << "one deadline, not restarted";
        }
    }
}

// --- sound endings that look unusual --------------------------------------------------------

TEST_F(HostilePeerTest, OkSplitOverTwoReadsOrAnOrderlyCloseEndsInSuccess) {
    const std::vector<std::string> endings[] = {{"O", "K"}, {}};
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.empty() ? "close" : "O, K");
        WriteFirmware(2500);
        sink_ = RecordingSink{};
        DeviceScript script;
        script.finalReply = ending;
        script.closeAfterFinalReply = ending.empty();
        ScriptedDevice device(script);
        EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded) << sink_.log;
        EXPECT_THAT(sink_.log, EndsWith(kFinalNote + "全終了。\r\n"));
        EXPECT_TRUE(device.Finish().image == bytes_);
    }
}

TEST_F(HostilePeerTest, ReplyFromAnotherPortOfTheDevicesAddressIsTaken) {
    WriteFirmware(2500);
    DeviceScript script;
    script.replyFromOtherPort = true;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
    EXPECT_THAT(sink_.log, Not(HasSubstr("ignored")));
    EXPECT_TRUE(device.Finish().image == bytes_);
}

}  // namespace
}  // namespace tavro::upload
