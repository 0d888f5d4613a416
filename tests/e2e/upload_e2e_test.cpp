// Uploads against simulated devices in a private test network.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "device_network_test.h"
#include "upload/run_upload.h"

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

constexpr const char* kDevice = "198.18.0.10";

// Collects what an upload reports, as the dialog's log pane and progress bar would show it.
class RecordingSink : public UploadSink {
public:
    void AppendText(std::string_view text) override { log.append(text); }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }

    std::string log;
    std::vector<int> progress;
    std::vector<std::string> errors;
};

// A firmware file with bytes that differ from block to block, removed when the test ends.
class FirmwareFile {
public:
    explicit FirmwareFile(std::size_t length) {
        path_ =
            (std::filesystem::temp_directory_path() /
             ("tavro-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(length) + ".bin"))
                .string();
        for (std::size_t i = 0; i < length; ++i) {
            bytes_ += static_cast<char>((i * 31 + i / 1024) % 251);
        }
        std::ofstream(path_, std::ios::binary).write(bytes_.data(), bytes_.size());
    }
    ~FirmwareFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }
    const std::string& bytes() const { return bytes_; }

private:
    std::string path_;
    std::string bytes_;
};

// The MD5 hex text computed here, apart from the writer's own digest code.
std::string Md5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Short waits where a test waits on a time-out; the product's bounds are longer.
UploadTimeouts ShortTimeouts() {
    UploadTimeouts timeouts;
    timeouts.reply = std::chrono::milliseconds(200);
    timeouts.connectBack = std::chrono::seconds(1);
    timeouts.acknowledgement = std::chrono::seconds(1);
    return timeouts;
}

class UploadTest : public DeviceNetworkTest {
protected:
    UploadResult Upload(const std::string& path, const UploadTimeouts& timeouts = {},
                        const std::string& password = kUploadPassword) {
        UploadRequest request;
        request.deviceAddress = kDevice;
        request.localAddress = kToolAddress;
        request.password = password;
        request.firmwarePath = path;
        return RunUpload(request, sink_, timeouts);
    }
    // The device took exactly the file: it checked length and MD5 and stored these bytes.
    void ExpectStored(const FirmwareFile& file) {
        EXPECT_THAT(sim().Events(kDevice, "image-ok"),
                    ElementsAre(std::to_string(file.bytes().size()) + " " + Md5Hex(file.bytes())));
        const auto stored = sim().StoredImage(kDevice);
        ASSERT_TRUE(stored.has_value()) << "the device stored no image";
        EXPECT_TRUE(*stored == file.bytes()) << "the stored image differs from the file";
    }
    RecordingSink sink_;
};

TEST_F(UploadTest, DeviceWithoutPasswordTakesTheImageAfterOk) {
    START_DEVICES({kDevice}, {kDevice});
    FirmwareFile file(2500);

    EXPECT_EQ(Upload(file.path()), kUploadSucceeded);
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
    START_DEVICES({kDevice}, {std::string(kDevice) + ",password=" + kUploadPassword});
    FirmwareFile file(3000);

    EXPECT_EQ(Upload(file.path()), kUploadSucceeded);
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

    EXPECT_EQ(Upload(file.path()), kUploadSucceeded);
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
    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), kUploadRefused);
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

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), kUploadSucceeded);
    ExpectStored(file);
    EXPECT_EQ(Occurrences(sink_.log, "no-recv.\r\n"), 2);
    EXPECT_THAT(sink_.log, HasSubstr("recvfrom: ok.\r\nOKが帰ってきたときはそのまま送る。\r\n"));
    EXPECT_THAT(sink_.log, Not(HasSubstr("Authenticating")));
    EXPECT_THAT(sim().Events(kDevice, "invitation"), SizeIs(3));
}

TEST_F(UploadTest, AnswerOtherThanOkOrAuthIsABadAnswer) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",invitation-answer=NG"});
    FirmwareFile file(100);

    EXPECT_EQ(Upload(file.path()), kUploadRefused);
    EXPECT_THAT(
        sink_.log,
        EndsWith("AUTHが帰ってきたときは認証パスワードをMD5エンコードして他にもいろいろやって送る。"
                 "\r\nBad Answer: NG\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "connected"), IsEmpty());
}

TEST_F(UploadTest, WrongPasswordIsRefused) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",password=SOMETHING-ELSE"});
    FirmwareFile file(100);

    EXPECT_EQ(Upload(file.path()), kUploadRefused);
    EXPECT_THAT(sink_.log, EndsWith("done: FAIL\r\n"));
    const auto answers = sim().Events(kDevice, "auth-answer");
    ASSERT_THAT(answers, SizeIs(1));
    EXPECT_THAT(answers[0], EndsWith(" mismatch"));
    EXPECT_THAT(sim().Events(kDevice, "connected"), IsEmpty());
}

TEST_F(UploadTest, RefusedAuthenticationIsRefusedEvenWithTheRightPassword) {
    START_DEVICES({kDevice},
                  {std::string(kDevice) + ",password=" + kUploadPassword + ",refuse-auth"});
    FirmwareFile file(100);

    EXPECT_EQ(Upload(file.path()), kUploadRefused);
    EXPECT_THAT(sink_.log, EndsWith("done: FAIL\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "auth-answer")[0], EndsWith(" match"));
}

TEST_F(UploadTest, MissingVerdictEndsWithTheTimeOutCode) {
    START_DEVICES({kDevice},
                  {std::string(kDevice) + ",password=" + kUploadPassword + ",no-verdict"});
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

    const UploadResult result = Upload(file.path(), ShortTimeouts());
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

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), kUploadSucceeded);
    ExpectStored(file);
}

TEST_F(UploadTest, EmptyFileEndsWithThreeBeforeAnythingIsSent) {
    START_DEVICES({kDevice}, {kDevice});
    FirmwareFile file(0);

    EXPECT_EQ(Upload(file.path()), kUploadInternalError);
    EXPECT_THAT(sink_.log, EndsWith("ERROR: getMD5\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "invitation"), IsEmpty());
}

TEST_F(UploadTest, MissingFileEndsWithTwoBeforeAnythingIsSent) {
    START_DEVICES({kDevice}, {kDevice});

    EXPECT_EQ(Upload("/nonexistent/tavro-firmware.bin"), kUploadFileError);
    EXPECT_THAT(sink_.log, EndsWith("ERROR: Open\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "invitation"), IsEmpty());
}

TEST_F(UploadTest, ConnectionBackFromAnotherAddressIsAccepted) {
    START_DEVICES({kDevice, "198.18.0.20"}, {std::string(kDevice) + ",connect-from=198.18.0.20"});
    FirmwareFile file(2500);

    EXPECT_EQ(Upload(file.path()), kUploadSucceeded);
    ExpectStored(file);
    const auto connections = sim().Events(kDevice, "connected");
    ASSERT_THAT(connections, SizeIs(1));
    EXPECT_THAT(connections[0], HasSubstr(" from 198.18.0.20:"));
}

// The core keeps no state between calls, so two uploads into two devices run side by side,
// each with its own listening port and digest.
TEST_F(UploadTest, TwoUploadsAtOnceEachReachTheirOwnDevice) {
    START_DEVICES({kDevice, "198.18.0.11"},
                  {std::string(kDevice) + ",ack-delay-ms=20",
                   "198.18.0.11,ack-delay-ms=20,password=" + std::string(kUploadPassword)});
    FirmwareFile first(5000);
    FirmwareFile second(7000);

    UploadResult secondResult = -1;
    RecordingSink secondSink;
    std::thread other([&] {
        EnterNamespace inTool(network().tool());
        ASSERT_TRUE(inTool.ok());
        UploadRequest request;
        request.deviceAddress = "198.18.0.11";
        request.localAddress = kToolAddress;
        request.firmwarePath = second.path();
        secondResult = RunUpload(request, secondSink);
    });
    EXPECT_EQ(Upload(first.path()), kUploadSucceeded);
    other.join();
    EXPECT_EQ(secondResult, kUploadSucceeded) << secondSink.log;
    ExpectStored(first);
    EXPECT_EQ(sim().StoredImage("198.18.0.11"), second.bytes());
}

}  // namespace
}  // namespace tavro::test
