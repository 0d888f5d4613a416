#include "upload/run_upload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "upload/connect_back_listener.h"
#include "upload_test_fixture.h"

namespace tavro::upload {
namespace {

using namespace std::chrono_literals;
using namespace test;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

// --- accepted uploads -----------------------------------------------------------------------

TEST_F(RunUploadTest, OkReplyStreamsTheImageWithTheWholeTraceInOrder) {
    WriteFirmware(2500);
    ScriptedDevice device(DeviceScript{});
    const UploadResult result = Upload(RequestFor(device));
    const auto& seen = device.Finish();

    EXPECT_EQ(result, kUploadSucceeded) << sink_.log;
    const std::string digest = ReferenceMd5Hex(bytes_);
    ASSERT_EQ(seen.invitations.size(), 1u);
    EXPECT_GT(seen.invitedPort, 0);
    const std::string invitation = InvitationFor(seen.invitedPort, 2500, digest);
    EXPECT_EQ(seen.invitations[0], invitation);
    EXPECT_EQ(sink_.log, PreparationLog(2500, digest, seen.invitedPort) + "sendto message: " +
                             invitation + "\r\nrecvfrom: ok.\r\n" + kOkNote + TransferLog(3));
    EXPECT_TRUE(seen.image == bytes_) << "the device received other bytes than the file's";
    EXPECT_TRUE(seen.closedInOrder);
    EXPECT_TRUE(seen.answer.empty());
    EXPECT_TRUE(sink_.errors.empty());
}

// The device connects back to the invitation's sender: working from one of several local
// addresses, the invitation must leave from that one, where the listener waits.
TEST_F(RunUploadTest, TheInvitationLeavesFromTheAddressTheListenerWaitsOn) {
#ifdef _WIN32
    GTEST_SKIP() << "under Wine the connection back to a second loopback address never comes";
#endif
    WriteFirmware(2500);
    ScriptedDevice device(DeviceScript{});
    upload::UploadRequest request = RequestFor(device);
    request.localAddress = net::Ipv4Address::FromOctets(127, 0, 0, 2);
    const UploadResult result = Upload(request);
    const auto& seen = device.Finish();
    EXPECT_EQ(result, kUploadSucceeded) << sink_.log;
    EXPECT_TRUE(seen.image == bytes_);
}

TEST_F(RunUploadTest, BlocksAndProgressFollowTheFileLength) {
    struct Case {
        std::size_t length;
        std::vector<std::size_t> blocks;
        std::vector<int> progress;
    };
    const Case cases[] = {
        {1024, {1024}, {100}},
        {1025, {1024, 1}, {99, 100}},
        {2500, {1024, 1024, 452}, {40, 81, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        WriteFirmware(c.length);
        sink_ = RecordingSink{};
        ScriptedDevice device(DeviceScript{});
        EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
        const auto& seen = device.Finish();
        EXPECT_EQ(seen.blocks, c.blocks);
        EXPECT_EQ(sink_.progress, c.progress);
        EXPECT_THAT(sink_.log, HasSubstr(kConnected + std::string(c.blocks.size(), '.') + "\r\n"));
        EXPECT_TRUE(seen.image == bytes_);
    }
}

// Every acknowledgement and the final reply wait in the stream before the first block, so
// only reads of exactly the acknowledgement's width (4, 1, 3 characters ...) leave the "OK"
// for the final read and nothing unread when the tool closes. The longest image spans several
// reads of the file.
TEST_F(RunUploadTest, AcknowledgementReadsTakeOnlyTheBlockSizesDigits) {
    for (std::size_t length :
         {std::size_t{1024}, std::size_t{1025}, std::size_t{2500}, std::size_t{900 * 1024 + 7}}) {
        SCOPED_TRACE(length);
        WriteFirmware(length);
        DeviceScript script;
        script.acknowledgeAhead = true;
        ScriptedDevice device(script);
        EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
        const auto& seen = device.Finish();
        EXPECT_TRUE(seen.image == bytes_);
        EXPECT_TRUE(seen.closedInOrder) << "the tool left acknowledgement bytes unread";
    }
}

TEST_F(RunUploadTest, OversizedReplyCountsAsAnUnansweredAttempt) {
    WriteFirmware(100);
    DeviceScript script;
    script.earlyReplies = {"OK" + std::string(36, 'x')};  // 38 bytes, one past the window
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
    const auto& seen = device.Finish();
    ASSERT_EQ(seen.invitations.size(), 2u);
    EXPECT_EQ(seen.invitations[0], seen.invitations[1]);
    EXPECT_THAT(sink_.log, HasSubstr("recvfrom: no-recv.\r\nsendto message: "));
    EXPECT_TRUE(seen.image == bytes_);

    // Nothing but datagrams too long to be a reply: not "no answer", an unreadable one.
    script.earlyReplies.assign(10, std::string(62, 'x'));
    ScriptedDevice babbling(script);
    UploadReport report;
    EXPECT_EQ(RunUpload(RequestFor(babbling), sink_, timeouts_, &report), kUploadRefused);
    EXPECT_EQ(report.cause, UploadCause::UnreadableAnswer);
    EXPECT_EQ(report.answerBytes, 62u);
}

TEST_F(RunUploadTest, ThirdInvitationAnsweredGoesOnWithoutAuthentication) {
    WriteFirmware(300);
    timeouts_.reply = 1000ms;
    DeviceScript script;
    script.earlyReplies = {"", ""};
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
    const auto& seen = device.Finish();

    ASSERT_EQ(seen.invitations.size(), 3u);
    EXPECT_EQ(seen.invitations[1], seen.invitations[0]);
    EXPECT_EQ(seen.invitations[2], seen.invitations[0]);
    EXPECT_EQ(Count(sink_.log, "no-recv.\r\n"), 2u);
    EXPECT_THAT(sink_.log,
                HasSubstr("recvfrom: no-recv.\r\nsendto message: " + seen.invitations[0] +
                          "\r\nrecvfrom: ok.\r\n" + kOkNote + kWritingStarts));
    EXPECT_THAT(sink_.log, ::testing::Not(HasSubstr("Authenticating")));
    EXPECT_TRUE(seen.image == bytes_);
}

// --- authentication -------------------------------------------------------------------------

TEST_F(RunUploadTest, ChallengeIsAnsweredWithThePasswordProof) {
    WriteFirmware(2500);
    DeviceScript script;
    script.challenge = true;
    script.password = kUploadPassword;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
    const auto& seen = device.Finish();

    const std::string digest = ReferenceMd5Hex(bytes_);
    const std::string cnonce = ReferenceMd5Hex(path_ + "2500" + digest + "127.0.0.1");
    const std::string answer = "200 " + cnonce + " " +
                               test::ExpectedResponse(kUploadPassword, script.nonce, cnonce) + "\n";
    EXPECT_EQ(seen.answer, answer);
    EXPECT_TRUE(seen.responseValid);
    EXPECT_THAT(sink_.log, HasSubstr("recvfrom: ok.\r\n" + kAuthNote + "recv: \"AUTH\"\r\n" +
                                     "Authenticating...\r\n" + "sendto message: " + answer +
                                     "\r\n" + "recvfrom: done: OK\r\n" + kWritingStarts));
    EXPECT_THAT(sink_.log, EndsWith("全終了。\r\n"));
    EXPECT_TRUE(seen.image == bytes_);
    EXPECT_TRUE(sink_.errors.empty());
}

TEST_F(RunUploadTest, BareAuthChallengeUsesAnEmptyNonce) {
    WriteFirmware(10);
    DeviceScript script;
    script.challenge = true;
    script.password = kUploadPassword;
    script.nonce = "";
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
    EXPECT_TRUE(device.Finish().responseValid);
}

TEST_F(RunUploadTest, AnswerGoesToThePortTheChallengeCameFrom) {
    WriteFirmware(10);
    DeviceScript script;
    script.challenge = true;
    script.password = kUploadPassword;
    script.challengeFromOtherPort = true;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadSucceeded);
    const auto& seen = device.Finish();
    EXPECT_TRUE(seen.answerAtChallengePort);
    EXPECT_TRUE(seen.image == bytes_);
}

TEST_F(RunUploadTest, WrongPasswordIsRefused) {
    WriteFirmware(10);
    DeviceScript script;
    script.challenge = true;
    script.password = kUploadPassword;
    ScriptedDevice device(script);
    UploadRequest request = RequestFor(device);
    request.password = "VESPERDUM";
    EXPECT_EQ(Upload(request), kUploadRefused);
    EXPECT_FALSE(device.Finish().responseValid);
    EXPECT_THAT(sink_.log, EndsWith("Authenticating...\r\nsendto message: " +
                                    device.Finish().answer + "\r\nrecvfrom: done: FAIL\r\n"));
}

TEST_F(RunUploadTest, MissingVerdictEndsWithTheTimeOutCode) {
    WriteFirmware(10);
    timeouts_.reply = 300ms;
    DeviceScript script;
    script.challenge = true;
    script.password = kUploadPassword;
    script.sendVerdict = false;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), 10060);
    EXPECT_THAT(sink_.log, EndsWith("\r\nrecvfrom: ERROR: 10060\r\n"));
    EXPECT_EQ(Count(sink_.log, "Authenticating...\r\n"), 1u) << "the answer is never repeated";
}

// --- refusals and silence -------------------------------------------------------------------

TEST_F(RunUploadTest, SilentDeviceGetsTenIdenticalInvitations) {
    WriteFirmware(10);
    timeouts_.reply = 100ms;
    DeviceScript script;
    script.earlyReplies = std::vector<std::string>(10, "");
    script.patience = 1000ms;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadRefused);
    const auto& seen = device.Finish();

    ASSERT_EQ(seen.invitations.size(), 10u);
    std::string attempts;
    for (const auto& invitation : seen.invitations) {
        EXPECT_EQ(invitation, seen.invitations[0]);
        attempts += "sendto message: " + invitation + "\r\nrecvfrom: no-recv.\r\n";
    }
    EXPECT_EQ(sink_.log, PreparationLog(10, ReferenceMd5Hex(bytes_), seen.invitedPort) + attempts +
                             "no-recv error.\r\n");
    EXPECT_GE(elapsed_, 900ms) << "each attempt waits for its reply";
    EXPECT_LT(elapsed_, 10s);
}

TEST_F(RunUploadTest, ReplyOtherThanOkOrAuthIsABadAnswer) {
    WriteFirmware(10);
    DeviceScript script;
    script.reply = "NG";
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadRefused);
    EXPECT_THAT(sink_.log, EndsWith("recvfrom: ok.\r\n" + kAuthNote + "Bad Answer: NG\r\n"));
}

// --- the device side of the transfer ---------------------------------------------------------

TEST_F(RunUploadTest, DeviceThatNeverConnectsBackTimesOut) {
    WriteFirmware(10);
    timeouts_.connectBack = 300ms;
    DeviceScript script;
    script.connectBack = false;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), 10060);
    EXPECT_THAT(sink_.log, EndsWith(kWaitingLines + "ERROR: 10060\r\n"));
    EXPECT_LT(elapsed_, 10s);
}

std::shared_ptr<ConnectBackListener> LoopbackListener() {
    int error = 0;
    net::Socket socket = net::Socket::Create(net::kStreamSocket, error);
    EXPECT_EQ(socket.Bind({net::kLoopbackAddress, 0}), 0);
    net::Endpoint local;
    EXPECT_EQ(socket.GetLocalEndpoint(local), 0);
    EXPECT_EQ(socket.Listen(8), 0);
    return std::make_shared<ConnectBackListener>(std::move(socket), local);
}

// A silent connection from the device's address that came before the invitation the device
// accepted is no answer to it: it is shut out and the device's own connection carries the
// image, on the upload's own listener and on a shared one where no other upload waits.
TEST_F(RunUploadTest, AConnectionFromBeforeTheAcceptedInvitationIsShutOutAndTheDeviceServed) {
    for (const bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "shared listener" : "own listener");
        WriteFirmware(5000);
        sink_ = RecordingSink{};
        timeouts_.reply = 1000ms;
        DeviceScript script;
        script.earlyReplies = {""};  // the second invitation is the one the device accepts
        script.connectsEarly = true;
        ScriptedDevice device(script);
        UploadRequest request = RequestFor(device);
        if (shared) request.sharedListener = LoopbackListener();
        EXPECT_EQ(Upload(request), kUploadSucceeded) << sink_.log;
        const auto& seen = device.Finish();
        EXPECT_EQ(seen.invitations.size(), 2u);
        EXPECT_TRUE(seen.image == bytes_) << "the image did not reach the device whole";
        EXPECT_TRUE(seen.earlyShutOut) << "the early connection was left open";
        EXPECT_EQ(seen.earlyReceived, 0u) << "the early connection got firmware bytes";
    }
}

TEST_F(RunUploadTest, DeviceClosingMidTransferGivesANetworkCode) {
    WriteFirmware(4000);
    DeviceScript script;
    script.closeAfterBytes = 1500;
    ScriptedDevice device(script);
    const UploadResult result = Upload(RequestFor(device));
    device.Finish();
    EXPECT_GE(result, 10000) << "a broken connection must not read as one of the own outcomes";
    const std::string code = std::to_string(result) + "\r\n";
    EXPECT_TRUE(sink_.log.ends_with("recv error." + code) ||
                sink_.log.ends_with("send error." + code))
        << sink_.log;
    EXPECT_LT(elapsed_, 10s);
}

// --- the firmware file ------------------------------------------------------------------------

TEST_F(RunUploadTest, FileProblemsEndBeforeTheDeviceHearsAnything) {
    struct Case {
        const char* name;
        bool create;
        UploadResult result;
        std::string log;
    };
    const Case cases[] = {
        {"missing.bin", false, kUploadFileError,
         "まずファイルのMD5を計算する。\r\nERROR: Open\r\n"},
        {"empty.bin", true, kUploadInternalError,
         "まずファイルのMD5を計算する。\r\nsize 0 :ERROR: getMD5\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        path_ = c.create ? directory_.Write(c.name, "") : directory_.PathOf(c.name);
        sink_ = RecordingSink{};
        DeviceScript script;
        script.patience = 300ms;
        ScriptedDevice device(script);
        EXPECT_EQ(Upload(RequestFor(device)), c.result);
        EXPECT_EQ(sink_.log, c.log);
        EXPECT_TRUE(device.Finish().invitations.empty());
    }
}

TEST_F(RunUploadTest, FileGoneBeforeTheTransferEndsWithFileErrorSilently) {
    WriteFirmware(2500);
    DeviceScript script;
    script.beforeConsenting = [this] { std::filesystem::remove(path_); };
    script.connectBack = false;
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadFileError);
    EXPECT_THAT(sink_.log, EndsWith(kOkNote + kWritingStarts));
}

TEST_F(RunUploadTest, FileShrunkSinceItsDigestIsAReadError) {
    WriteFirmware(2500);
    DeviceScript script;
    script.beforeConsenting = [this] { std::filesystem::resize_file(path_, 1500); };
    ScriptedDevice device(script);
    EXPECT_EQ(Upload(RequestFor(device)), kUploadFileError);
    EXPECT_THAT(sink_.log, EndsWith(kConnected + "..read error.\r\n"));
    EXPECT_TRUE(device.Finish().image == bytes_.substr(0, 1024));
}

TEST_F(RunUploadTest, LocalAddressThatIsNotThisMachinesCannotBeBound) {
    WriteFirmware(10);
    DeviceScript script;
    script.patience = 300ms;
    ScriptedDevice device(script);
    UploadRequest request = RequestFor(device);
    request.localAddress = *net::Ipv4Address::Parse("198.18.0.254");  // on no interface here
    EXPECT_EQ(Upload(request), 10049);
    EXPECT_THAT(sink_.log, EndsWith("socket :ok\r\nbind \"198.18.0.254\":ERROR: 10049\r\n"));
    EXPECT_TRUE(device.Finish().invitations.empty());
}

}  // namespace
}  // namespace tavro::upload
