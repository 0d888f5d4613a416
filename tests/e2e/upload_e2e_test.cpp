// Uploads against simulated devices in a private test network.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "net/socket.h"
#include "upload/connect_back_listener.h"
#include "upload_test.h"

namespace tavro::test {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

TEST_F(UploadTest, DeviceWithoutPasswordTakesTheImageAfterOk) {
    START_DEVICES({kDevice}, {kDevice});
    FirmwareFile file(2500);

    EXPECT_EQ(Upload(file.path()), upload::kUploadSucceeded);
    ExpectStored(file);
    // The invitation carries the listening port, the length and the file's digest.
    const auto invitations = sim().Events(kDevice, "invitation");
    ASSERT_THAT(invitations, SizeIs(1));
    EXPECT_THAT(invitations[0], AllOf(StartsWith("198.18.0.1:"), HasSubstr("\"0 "),
                                      EndsWith(" 2500 " + Md5Hex(file.bytes()) + "\\n\"")));
    EXPECT_THAT(sink_.log, HasSubstr("recvfrom: ok.\r\nOKが帰ってきたときはそのまま送る。\r\n"));
    EXPECT_THAT(sink_.log, Not(HasSubstr("Authenticating")));
    EXPECT_THAT(sink_.log, EndsWith("全終了。\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "final-sent"), ElementsAre("\"OK\""));
}

TEST_F(UploadTest, DeviceAskingForThePasswordTakesTheImageAfterTheRightAnswer) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",password=" + upload::kUploadPassword});
    FirmwareFile file(3000);

    EXPECT_EQ(Upload(file.path()), upload::kUploadSucceeded);
    ExpectStored(file);
    EXPECT_THAT(sink_.log,
                HasSubstr("recv: \"AUTH\"\r\nAuthenticating...\r\nsendto message: 200 "));
    EXPECT_THAT(sink_.log, HasSubstr("done: OK\r\n"));
    const auto answers = sim().Events(kDevice, "auth-answer");
    ASSERT_THAT(answers, SizeIs(1));
    EXPECT_THAT(answers[0], EndsWith(" match"));
}

struct TransferCase {
    std::size_t length;
    std::vector<std::string> blocks;
    std::vector<int> progress;
};

void PrintTo(const TransferCase& c, std::ostream* out) { *out << c.length << " bytes"; }

class TransferTest : public UploadTest, public ::testing::WithParamInterface<TransferCase> {};

TEST_P(TransferTest, BlocksAcknowledgementsAndProgressFollowTheFileLength) {
    START_DEVICES({kDevice}, {kDevice});
    const TransferCase& c = GetParam();
    FirmwareFile file(c.length);

    EXPECT_EQ(Upload(file.path()), upload::kUploadSucceeded);
    ExpectStored(file);
    EXPECT_THAT(sim().Events(kDevice, "block"), ElementsAreArray(c.blocks));
    EXPECT_THAT(sim().Events(kDevice, "ack"), ElementsAreArray(c.blocks));
    EXPECT_THAT(sink_.progress, ElementsAreArray(c.progress));
    EXPECT_THAT(sink_.log, HasSubstr(std::string(c.blocks.size(), '.') + "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    FileLengths, TransferTest,
    ::testing::Values(TransferCase{1024, {"1024"}, {100}},
                      TransferCase{1025, {"1024", "1"}, {99, 100}},
                      TransferCase{2500, {"1024", "1024", "452"}, {40, 81, 100}}),
    [](const auto& info) { return "Bytes" + std::to_string(info.param.length); });

TEST_F(UploadTest, SilentDeviceGetsTenIdenticalInvitationsAndTheUploadEndsWithOne) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",ignore-invitations=100"});
    FirmwareFile file(100);

    const auto start = Clock::now();
    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadRefused);
    EXPECT_LT(SecondsSince(start), 10 * 0.2 * 3);
    EXPECT_EQ(Occurrences(sink_.log, "no-recv.\r\n"), 10);
    EXPECT_THAT(sink_.log, EndsWith("no-recv.\r\nno-recv error.\r\n"));
    const auto invitations = sim().Events(kDevice, "invitation");
    ASSERT_THAT(invitations, SizeIs(10));
    for (const std::string& invitation : invitations) EXPECT_EQ(invitation, invitations[0]);
    EXPECT_THAT(sim().Events(kDevice, "connected"), IsEmpty());
}

TEST_F(UploadTest, DeviceAnsweringTheThirdInvitationTakesTheImageWithoutAuthentication) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",ignore-invitations=2"});
    FirmwareFile file(1500);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadSucceeded);
    ExpectStored(file);
    EXPECT_EQ(Occurrences(sink_.log, "no-recv.\r\n"), 2);
    EXPECT_THAT(sink_.log, HasSubstr("recvfrom: ok.\r\nOKが帰ってきたときはそのまま送る。\r\n"));
    EXPECT_THAT(sink_.log, Not(HasSubstr("Authenticating")));
    EXPECT_THAT(sim().Events(kDevice, "invitation"), SizeIs(3));
}

TEST_F(UploadTest, AnswerOtherThanOkOrAuthIsABadAnswer) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",invitation-answer=NG"});
    FirmwareFile file(100);

    EXPECT_EQ(Upload(file.path()), upload::kUploadRefused);
    EXPECT_THAT(
        sink_.log,
        EndsWith("AUTHが帰ってきたときは認証パスワードをMD5エンコードして他にもいろいろやって送る。"
                 "\r\nBad Answer: NG\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "connected"), IsEmpty());
}

TEST_F(UploadTest, WrongPasswordIsRefused) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",password=SOMETHING-ELSE"});
    FirmwareFile file(100);

    EXPECT_EQ(Upload(file.path()), upload::kUploadRefused);
    EXPECT_THAT(sink_.log, EndsWith("done: FAIL\r\n"));
    const auto answers = sim().Events(kDevice, "auth-answer");
    ASSERT_THAT(answers, SizeIs(1));
    EXPECT_THAT(answers[0], EndsWith(" mismatch"));
    EXPECT_THAT(sim().Events(kDevice, "connected"), IsEmpty());
}

TEST_F(UploadTest, RefusedAuthenticationIsRefusedEvenWithTheRightPassword) {
    START_DEVICES({kDevice},
                  {std::string(kDevice) + ",password=" + upload::kUploadPassword + ",refuse-auth"});
    FirmwareFile file(100);

    EXPECT_EQ(Upload(file.path()), upload::kUploadRefused);
    EXPECT_THAT(sink_.log, EndsWith("done: FAIL\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "auth-answer")[0], EndsWith(" match"));
}

TEST_F(UploadTest, MissingVerdictEndsWithTheTimeOutCode) {
    START_DEVICES({kDevice},
                  {std::string(kDevice) + ",password=" + upload::kUploadPassword + ",no-verdict"});
    FirmwareFile file(100);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), 10060);
    EXPECT_THAT(sink_.log, EndsWith("ERROR: 10060\r\n"));
}

TEST_F(UploadTest, DeviceThatNeverConnectsBackEndsWithTheTimeOutCodeWithinTheBound) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",no-connect"});
    FirmwareFile file(100);

    const auto start = Clock::now();
    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), 10060);
    EXPECT_LT(SecondsSince(start), 3 * 1.0 + 1.0);
    EXPECT_THAT(sink_.log, EndsWith("ERROR: 10060\r\n"));
}

TEST_F(UploadTest, DeviceClosingInTheMiddleGivesANetworkCode) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",close-after=1500"});
    FirmwareFile file(4096);

    const upload::UploadResult result = Upload(file.path(), ShortTimeouts());
    EXPECT_TRUE(result < 0 || result > 3) << "result " << result << " reads as an own outcome";
    EXPECT_THAT(sim().Events(kDevice, "aborted-after"), ElementsAre("1500"));
    EXPECT_THAT(sim().Events(kDevice, "image-ok"), IsEmpty());
    EXPECT_FALSE(sim().StoredImage(kDevice).has_value());
    EXPECT_THAT(sink_.log, Not(HasSubstr("全終了")));
}

TEST_F(UploadTest, MissingFinalReplyEndsWithTheTimeOutCode) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",no-final"});
    FirmwareFile file(2048);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), 10060);
    EXPECT_THAT(sim().Events(kDevice, "final-withheld"), SizeIs(1));
}

TEST_F(UploadTest, SlowAcknowledgementsWithinTheBoundStillSucceed) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",ack-delay-ms=300"});
    FirmwareFile file(2500);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadSucceeded);
    ExpectStored(file);
}

TEST_F(UploadTest, EmptyFileEndsWithThreeBeforeAnythingIsSent) {
    START_DEVICES({kDevice}, {kDevice});
    FirmwareFile file(0);

    EXPECT_EQ(Upload(file.path()), upload::kUploadInternalError);
    EXPECT_THAT(sink_.log, EndsWith("ERROR: getMD5\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "invitation"), IsEmpty());
}

TEST_F(UploadTest, MissingFileEndsWithTwoBeforeAnythingIsSent) {
    START_DEVICES({kDevice}, {kDevice});

    EXPECT_EQ(Upload("/nonexistent/tavro-firmware.bin"), upload::kUploadFileError);
    EXPECT_THAT(sink_.log, EndsWith("ERROR: Open\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "invitation"), IsEmpty());
}

// Only the device is served: a connection from any other address is dropped at once, and the
// wait for the device's own runs out.
TEST_F(UploadTest, ConnectionBackFromAnotherAddressIsDroppedAndTheWaitRunsOut) {
    START_DEVICES({kDevice, "198.18.0.20"}, {std::string(kDevice) + ",connect-from=198.18.0.20"});
    FirmwareFile file(2500);

    const auto start = Clock::now();
    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), 10060);
    EXPECT_LT(SecondsSince(start), 1.0 + 3.0);
    EXPECT_THAT(sink_.log, HasSubstr("198.18.0.20"));
    EXPECT_THAT(sink_.log, Not(HasSubstr("全終了")));
    const auto connections = sim().Events(kDevice, "connected");
    ASSERT_THAT(connections, SizeIs(1));
    EXPECT_THAT(connections[0], HasSubstr(" from 198.18.0.20:"));
    ASSERT_TRUE(sim().WaitForEvent(kDevice, "transfer-short", std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events(kDevice, "transfer-short"), ElementsAre("0 of 2500 (closed)"));
    ExpectNothingStored();
}

// The core keeps no state between calls, so two uploads into two devices run side by side,
// each with its own listening port and digest.
TEST_F(UploadTest, TwoUploadsAtOnceEachReachTheirOwnDevice) {
    START_DEVICES({kDevice, "198.18.0.11"},
                  {std::string(kDevice) + ",ack-delay-ms=20",
                   "198.18.0.11,ack-delay-ms=20,password=" + std::string(upload::kUploadPassword)});
    FirmwareFile first(5000);
    FirmwareFile second(7000);

    upload::UploadResult secondResult = -1;
    RecordingSink secondSink;
    std::thread other([&] {
        EnterNamespace inTool(network().tool());
        ASSERT_TRUE(inTool.ok());
        upload::UploadRequest request;
        request.deviceAddress = *net::Ipv4Address::Parse("198.18.0.11");
        request.localAddress = *net::Ipv4Address::Parse(kToolAddress);
        request.firmwarePath = second.path();
        secondResult = upload::RunUpload(request, secondSink);
    });
    EXPECT_EQ(Upload(first.path()), upload::kUploadSucceeded);
    other.join();
    EXPECT_EQ(secondResult, upload::kUploadSucceeded) << secondSink.log;
    ExpectStored(first);
    EXPECT_EQ(sim().StoredImage("198.18.0.11"), second.bytes());
}

// The report tells what the outcome alone cannot: how many tries it took, how far the
// transfer got, which port the device was asked to connect to.
TEST_F(UploadTest, ReportSaysHowTheUploadWent) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",ignore-invitations=2"});
    FirmwareFile file(1500);

    upload::UploadRequest request;
    request.deviceAddress = *net::Ipv4Address::Parse(kDevice);
    request.localAddress = *net::Ipv4Address::Parse(kToolAddress);
    request.firmwarePath = file.path();
    upload::UploadReport report;
    EXPECT_EQ(upload::RunUpload(request, sink_, ShortTimeouts(), &report),
              upload::kUploadSucceeded);
    EXPECT_EQ(report.result, upload::kUploadSucceeded);
    EXPECT_EQ(report.cause, upload::UploadCause::None);
    EXPECT_EQ(report.tries, 3);
    EXPECT_EQ(report.bytesAcknowledged, 1500);
    EXPECT_EQ(report.bytesTotal, 1500);
    EXPECT_FALSE(report.localPortChosen);
    EXPECT_THAT(sim().Events(kDevice, "invitation")[0],
                HasSubstr("\"0 " + std::to_string(report.localPort) + " 1500 "));
}

TEST_F(UploadTest, ReportOfATransferCutShortCountsTheAcknowledgedBytes) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",close-after=2500"});
    FirmwareFile file(8192);

    upload::UploadRequest request;
    request.deviceAddress = *net::Ipv4Address::Parse(kDevice);
    request.localAddress = *net::Ipv4Address::Parse(kToolAddress);
    request.firmwarePath = file.path();
    upload::UploadReport report;
    upload::RunUpload(request, sink_, ShortTimeouts(), &report);
    EXPECT_EQ(report.cause, upload::UploadCause::ConnectionClosed) << sink_.log;
    EXPECT_EQ(report.bytesAcknowledged, 2048);
    EXPECT_EQ(report.bytesTotal, 8192);
}

// One listening port serves two uploads at once, each device's connection handed to its own
// upload: the shape a firewall that lets in one fixed port needs.
TEST_F(UploadTest, TwoUploadsAtOnceShareOneConnectBackPort) {
    const std::string second = "198.18.0.11";
    START_DEVICES({kDevice, second},
                  {std::string(kDevice) + ",ack-delay-ms=20", second + ",ack-delay-ms=20"});
    FirmwareFile firstFile(6000);
    FirmwareFile secondFile(9000);

    int error = 0;
    net::Socket socket = net::Socket::Create(net::kStreamSocket, error);
    ASSERT_EQ(socket.Bind({*net::Ipv4Address::ParseDottedQuad(kToolAddress), 0}), 0);
    net::Endpoint local;
    ASSERT_EQ(socket.GetLocalEndpoint(local), 0);
    ASSERT_EQ(socket.Listen(8), 0);
    const auto shared = std::make_shared<upload::ConnectBackListener>(std::move(socket), local);

    auto requestFor = [&](const std::string& device, const FirmwareFile& file) {
        upload::UploadRequest request;
        request.deviceAddress = *net::Ipv4Address::Parse(device);
        request.localAddress = *net::Ipv4Address::Parse(kToolAddress);
        request.firmwarePath = file.path();
        request.sharedListener = shared;
        return request;
    };
    upload::UploadResult secondResult = -1;
    RecordingSink secondSink;
    std::thread other([&] {
        EnterNamespace inTool(network().tool());
        ASSERT_TRUE(inTool.ok());
        secondResult = upload::RunUpload(requestFor(second, secondFile), secondSink);
    });
    EXPECT_EQ(upload::RunUpload(requestFor(kDevice, firstFile), sink_), upload::kUploadSucceeded)
        << sink_.log;
    other.join();
    EXPECT_EQ(secondResult, upload::kUploadSucceeded) << secondSink.log;
    ExpectStored(firstFile);
    EXPECT_TRUE(sim().StoredImage(second) == secondFile.bytes()) << "the second image differs";
    const std::string port = std::to_string(local.port);
    for (const std::string& device : {std::string(kDevice), second}) {
        EXPECT_THAT(sim().Events(device, "invitation"),
                    ElementsAre(HasSubstr("\"0 " + port + " ")));
        EXPECT_THAT(sim().Events(device, "connected"),
                    ElementsAre(StartsWith(std::string(kToolAddress) + ":" + port + " ")));
    }
}

}  // namespace
}  // namespace tavro::test
