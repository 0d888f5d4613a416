// tavro-writer-cli write against simulated devices in a private test network: each way an
// upload can fail ends with its outcome and one line on its cause, in the locale's language.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "net/socket.h"
#include "upload_test.h"

namespace tavro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;
using ::testing::StartsWith;

const std::vector<std::string> kJapanese = {"LANG=ja_JP.UTF-8"};
// Short bounds where the device is made to keep us waiting.
const std::vector<std::string> kShortBounds = {"--connect-timeout", "1", "--ack-timeout", "1"};

class CliWriteTest : public UploadTest {
protected:
    Ended Write(const std::vector<std::string>& options, const std::string& file,
                const std::vector<std::string>& environment = {}) {
        std::vector<std::string> arguments = {"write", "--interface", kToolAddress};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), {kDevice, file});
        CliProcess cli(arguments, environment);
        EXPECT_TRUE(cli.started());
        const std::optional<Ended> ended = cli.Wait(std::chrono::seconds(60));
        EXPECT_TRUE(ended) << "tavro-writer-cli did not end within 60 s";
        return ended.value_or(Ended{});
    }
};

TEST_F(CliWriteTest, ASilentDeviceIsToldAsNoAnswerAfterTenTries) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",ignore-invitations=100"});
    FirmwareFile file(100);

    const Ended ended = Write({}, file.path());
    EXPECT_EQ(ended.status, 1);
    EXPECT_EQ(ended.out, "");
    EXPECT_EQ(ended.err,
              "TAVRO communication error\n"
              "198.18.0.10 did not answer the invitation after 10 tries\n");
    EXPECT_THAT(sim().Events(kDevice, "invitation"), SizeIs(10));
}

TEST_F(CliWriteTest, ABadAnswerIsQuotedInTheLanguageTheLocaleNames) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",invitation-answer=NG"});
    FirmwareFile file(100);

    Ended ended = Write({}, file.path());
    EXPECT_EQ(ended.status, 1);
    EXPECT_EQ(ended.err,
              "TAVRO communication error\n198.18.0.10 answered the invitation with \"NG\"\n");

    ended = Write({}, file.path(), kJapanese);
    EXPECT_EQ(ended.status, 1);
    EXPECT_EQ(ended.err, "TAVRO通信エラー\n198.18.0.10 は書き込み依頼に \"NG\" と応答しました\n");

    ended = Write({}, file.path(), {"LANG=ja_JP.UTF-8", "LC_ALL=C"});
    EXPECT_THAT(ended.err, StartsWith("TAVRO communication error\n"));
}

TEST_F(CliWriteTest, ARefusedPasswordIsToldApartFromASilentDevice) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",password=SOMETHING-ELSE"});
    FirmwareFile file(100);

    Ended ended = Write({}, file.path());
    EXPECT_EQ(ended.status, 1);
    EXPECT_EQ(ended.err,
              "TAVRO communication error\n"
              "198.18.0.10 refused the password (its verdict: \"FAIL\")\n");

    ended = Write({}, file.path(), kJapanese);
    EXPECT_EQ(ended.err,
              "TAVRO通信エラー\n198.18.0.10 がパスワードを拒否しました（応答 \"FAIL\"）\n");
}

TEST_F(CliWriteTest, NoConnectionBackNamesTheFixedPortForTheFirewall) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",no-connect"});
    FirmwareFile file(100);

    Ended ended = Write({"--local-port", "40123", "--connect-timeout", "1"}, file.path());
    EXPECT_EQ(ended.status, 4);
    EXPECT_EQ(ended.err,
              "Network error: 10060\n"
              "198.18.0.10 did not connect back within 1 s to 198.18.0.1:40123; if a firewall "
              "guards this computer, let incoming TCP connections to port 40123 through\n");
    EXPECT_THAT(sim().Events(kDevice, "invitation"), ElementsAre(HasSubstr("\"0 40123 100 ")));

    // With a port the system picked, the hint says how to fix one.
    ended = Write({"--connect-timeout", "1"}, file.path(), kJapanese);
    EXPECT_EQ(ended.status, 4);
    EXPECT_THAT(ended.err, StartsWith("ネットワークエラー:10060\n198.18.0.10 は 1 秒以内に "
                                      "198.18.0.1:"));
    EXPECT_THAT(ended.err, HasSubstr("--local-port でポートを固定し"));
}

TEST_F(CliWriteTest, ATransferCutShortSaysHowManyBytesTheDeviceHad) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",close-after=1500"});
    FirmwareFile file(4096);

    const Ended ended = Write(kShortBounds, file.path());
    EXPECT_EQ(ended.status, 4);
    EXPECT_THAT(ended.err, StartsWith("Network error: "));
    EXPECT_THAT(ended.err,
                HasSubstr("\nthe connection to 198.18.0.10 was closed after 1024 of 4096 bytes\n"));
    ExpectNothingStored();
}

TEST_F(CliWriteTest, AFinalWordOtherThanOkIsQuoted) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",final-word=NG"});
    FirmwareFile file(2048);

    Ended ended = Write(kShortBounds, file.path());
    EXPECT_EQ(ended.status, 1);
    EXPECT_EQ(ended.err,
              "TAVRO communication error\n"
              "198.18.0.10 took all 2048 bytes but its final word was \"NG\", not \"OK\"\n");

    ended = Write(kShortBounds, file.path(), kJapanese);
    EXPECT_EQ(ended.err,
              "TAVRO通信エラー\n198.18.0.10 は 2048 バイトをすべて受け取りましたが、最後の応答が "
              "\"OK\" ではなく \"NG\" でした\n");
}

TEST_F(CliWriteTest, FileProblemsNameTheFileAndTheSystemsReason) {
    START_DEVICES({kDevice}, {kDevice});
    const std::string missing = "/nonexistent/tavro-firmware.bin";

    Ended ended = Write({}, missing);
    EXPECT_EQ(ended.status, 2);
    EXPECT_EQ(ended.err, "Firmware file error\nthe firmware file " + missing + ": no such file\n");
    ended = Write({}, missing, kJapanese);
    EXPECT_EQ(ended.err, "ファームウェアファイルエラー\nファームウェアファイル " + missing +
                             ": ファイルがありません\n");

    ended = Write({}, "/tmp");
    EXPECT_EQ(ended.status, 2);
    EXPECT_EQ(ended.err, "Firmware file error\nthe firmware file /tmp: it is a directory\n");

    FirmwareFile empty(0);
    ended = Write({}, empty.path());
    EXPECT_EQ(ended.status, 3);
    EXPECT_EQ(ended.err,
              "Internal error\nthe firmware file " + empty.path() + ": the file is empty\n");
    EXPECT_THAT(sim().Events(kDevice, "invitation"), IsEmpty());
}

TEST_F(CliWriteTest, TheFixedLocalPortIsTheOneTheDeviceConnectsTo) {
    START_DEVICES({kDevice}, {kDevice});
    FirmwareFile file(3000);

    const Ended ended = Write({"--local-port", "40124"}, file.path());
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(ended.out, "Completed normally\n");
    EXPECT_EQ(ended.err, "");
    EXPECT_THAT(sim().Events(kDevice, "invitation"), ElementsAre(HasSubstr("\"0 40124 3000 ")));
    EXPECT_THAT(sim().Events(kDevice, "connected"), ElementsAre(StartsWith("198.18.0.1:40124 ")));
    ExpectStored(file);
}

// A run that hung up on the device leaves its connection lingering on the fixed port; the next
// run still takes the port.
TEST_F(CliWriteTest, TheFixedLocalPortIsTakenAgainRightAfterARunThatHungUp) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",no-final"});
    FirmwareFile file(2048);

    for (int run = 0; run < 2; ++run) {
        const Ended ended = Write({"--local-port", "40126", "--ack-timeout", "0.5"}, file.path());
        EXPECT_EQ(ended.status, 4);
        EXPECT_EQ(ended.err,
                  "Network error: 10060\n"
                  "198.18.0.10 took all 2048 bytes but gave no final word within 500 ms\n");
    }
    EXPECT_THAT(sim().Events(kDevice, "connected"),
                ElementsAre(StartsWith("198.18.0.1:40126 "), StartsWith("198.18.0.1:40126 ")));
}

TEST_F(CliWriteTest, ATakenLocalPortIsAClearErrorBeforeTheDeviceHearsAnything) {
    START_DEVICES({kDevice}, {kDevice});
    FirmwareFile file(100);
    int error = 0;
    net::Socket holder = net::Socket::Create(net::kStreamSocket, error);
    ASSERT_EQ(holder.Bind({*net::Ipv4Address::ParseDottedQuad(kToolAddress), 40125}), 0);
    ASSERT_EQ(holder.Listen(1), 0);

    const Ended ended = Write({"--local-port", "40125"}, file.path());
    EXPECT_EQ(ended.status, 4);
    EXPECT_EQ(ended.err,
              "Network error: 10048\n"
              "port 198.18.0.1:40125 is already in use; choose another --local-port\n");
    EXPECT_THAT(sim().Events(kDevice, "invitation"), IsEmpty());
}

TEST_F(CliWriteTest, ThePasswordFromAFileOrTheEnvironmentIsNeverShownEvenInTheTrace) {
    const std::string secret = "Secret-7f3a91";
    START_DEVICES({kDevice}, {std::string(kDevice) + ",password=" + secret});
    FirmwareFile file(1500);
    const std::string passwordPath = file.path() + ".password";
    std::ofstream(passwordPath) << secret << "\n";

    Ended ended = Write({"-v", "--password-file", passwordPath}, file.path());
    std::remove(passwordPath.c_str());
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_THAT(ended.err, HasSubstr("done: OK\r\n")) << "the trace was not shown";
    EXPECT_THAT(ended.out + ended.err, Not(HasSubstr(secret)));

    ended = Write({"-v"}, file.path(), {"TAVRO_PASSWORD=" + secret});
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_THAT(ended.out + ended.err, Not(HasSubstr(secret)));

    const std::string wrong = "Wrong-2c9d04";
    ended = Write({"-v"}, file.path(), {"TAVRO_PASSWORD=" + wrong});
    EXPECT_EQ(ended.status, 1);
    EXPECT_THAT(ended.out + ended.err, Not(HasSubstr(wrong)));
    EXPECT_THAT(sim().Events(kDevice, "auth-answer"),
                ElementsAre(HasSubstr(" match"), HasSubstr(" match"), HasSubstr(" mismatch")));
}

}  // namespace
}  // namespace tavro::test
