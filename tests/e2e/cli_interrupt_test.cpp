// Stop signals and failing outputs against the real tavro-writer-cli, run in the tool namespace
// of a private test network while it writes to or searches for simulated devices.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_process.h"
#include "device_network_test.h"

namespace tavro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

constexpr const char* kDevice = "198.18.0.10";
// 200 blocks, each acknowledged after 50 ms: the transfer lasts 10 s, long enough to be cut.
constexpr std::size_t kImageLength = 200 * 1024;
const std::string kSlowDevice = std::string(kDevice) + ",ack-delay-ms=50";
// Takes the image at once, beside the slow one.
constexpr const char* kQuickDevice = "198.18.0.11";

// An image file removed when the test ends.
class ImageFile {
public:
    ImageFile() {
        path_ = (std::filesystem::temp_directory_path() /
                 ("tavro-cli-interrupt-" + std::to_string(::getpid()) + ".bin"))
                    .string();
        std::ofstream(path_, std::ios::binary) << std::string(kImageLength, '\x5a');
    }
    ~ImageFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class CliInterruptTest : public DeviceNetworkTest {
protected:
    // Waits until the device has acknowledged some blocks: the transfer is under way.
    bool AwaitAcknowledgements(std::size_t count) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (sim().Events(kDevice, "ack").size() < count) {
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // The device saw the connection end before the image was whole, and stored nothing.
    void ExpectConnectionClosedShort() {
        ASSERT_TRUE(sim().WaitForEvent(kDevice, "transfer-short", std::chrono::seconds(5)))
            << "the device did not see the connection end";
        EXPECT_THAT(sim().Events(kDevice, "transfer-short"),
                    ElementsAre(EndsWith(" of " + std::to_string(kImageLength) + " (closed)")));
        EXPECT_THAT(sim().Events(kDevice, "image-ok"), IsEmpty());
        EXPECT_FALSE(sim().StoredImage(kDevice).has_value());
    }

    // Interrupts a transfer under way; the child's end must follow within a few seconds.
    std::optional<Ended> InterruptTransfer(int signal) {
        CliProcess cli({"write", "--interface", kToolAddress, kDevice, image_.path()});
        EXPECT_TRUE(cli.started());
        if (!cli.started() || !AwaitAcknowledgements(3)) return std::nullopt;
        cli.Signal(signal);
        return cli.Wait(std::chrono::seconds(5));
    }

    // Interrupts a --json write to the slow device and kSecond once both transfers are under
    // way; the child's end must follow within a few seconds.
    std::optional<Ended> InterruptTwoTransfers(int signal) {
        CliProcess cli({"write", "--json", kDevice, kSecond, image_.path()});
        EXPECT_TRUE(cli.started());
        if (!cli.started() || !AwaitAcknowledgements(3) ||
            !sim().WaitForEvents(kSecond, "ack", 3, std::chrono::seconds(20))) {
            return std::nullopt;
        }
        cli.Signal(signal);
        return cli.Wait(std::chrono::seconds(5));
    }

    static constexpr const char* kSecond = "198.18.0.11";

    // "... after N% of FILE was sent to DEVICE\n" with 0 < N < 100.
    void ExpectTransferNotice(const std::string& err) {
        const std::string start = "tavro-writer-cli: interrupted after ";
        const std::string end = "% of " + image_.path() + " was sent to " + kDevice + "\n";
        ASSERT_THAT(err, StartsWith(start));
        ASSERT_THAT(err, EndsWith(end));
        const std::string percent =
            err.substr(start.size(), err.size() - start.size() - end.size());
        EXPECT_THAT(percent, MatchesRegex("[1-9][0-9]?")) << err;
    }

    ImageFile image_;
};

TEST_F(CliInterruptTest, CtrlCDuringATransferClosesTheConnectionAndExits130) {
    START_DEVICES({kDevice}, {kSlowDevice});

    const std::optional<Ended> ended = InterruptTransfer(SIGINT);
    ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of SIGINT";
    EXPECT_TRUE(ended->exited) << "killed by signal " << ended->status;
    EXPECT_EQ(ended->status, 130);
    EXPECT_EQ(ended->out, "");
    EXPECT_THAT(ended->err, Not(HasSubstr("正常終了")));
    ExpectTransferNotice(ended->err);
    ExpectConnectionClosedShort();
}

TEST_F(CliInterruptTest, SigtermDuringATransferClosesTheConnectionAndExits143) {
    START_DEVICES({kDevice}, {kSlowDevice});

    const std::optional<Ended> ended = InterruptTransfer(SIGTERM);
    ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of SIGTERM";
    EXPECT_TRUE(ended->exited) << "killed by signal " << ended->status;
    EXPECT_EQ(ended->status, 143);
    EXPECT_EQ(ended->out, "");
    ExpectTransferNotice(ended->err);
    ExpectConnectionClosedShort();
}

TEST_F(CliInterruptTest, CtrlCDuringAWriteToSeveralDevicesSaysHowFarEachGot) {
    const std::string second = kSecond;
    START_DEVICES({kDevice, second}, {kSlowDevice, second + ",ack-delay-ms=50"});

    const std::optional<Ended> ended = InterruptTwoTransfers(SIGINT);
    ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of SIGINT";
    EXPECT_EQ(ended->status, 130);
    for (const std::string& device : {std::string(kDevice), second}) {
        EXPECT_THAT(ended->err,
                    MatchesRegex("(.*\n)?tavro-writer-cli: interrupted after "
                                 "[1-9][0-9]?% of " +
                                 image_.path() + " was sent to " + device + "\n(.*\n)?"))
            << ended->err;
        EXPECT_THAT(ended->out, HasSubstr("{\"device\":\"" + device +
                                          "\",\"status\":130,\"result\":-1,"
                                          "\"outcome\":\"interrupted\""));
        ASSERT_TRUE(sim().WaitForEvent(device, "transfer-short", std::chrono::seconds(5)))
            << device << " did not see the connection end";
        EXPECT_FALSE(sim().StoredImage(device).has_value());
    }
}

TEST_F(CliInterruptTest, CtrlCWhileWaitingForTheDeviceSaysTheTransferHadNotStarted) {
    START_DEVICES({kDevice}, {std::string(kDevice) + ",no-connect"});

    CliProcess cli({"write", "--interface", kToolAddress, kDevice, image_.path()});
    ASSERT_TRUE(cli.started());
    ASSERT_TRUE(sim().WaitForEvent(kDevice, "connect-withheld", std::chrono::seconds(10)));
    cli.Signal(SIGINT);
    const std::optional<Ended> ended = cli.Wait(std::chrono::seconds(5));
    ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of SIGINT";
    EXPECT_EQ(ended->status, 130);
    EXPECT_EQ(ended->out, "");
    EXPECT_EQ(ended->err, "tavro-writer-cli: interrupted before the transfer of " + image_.path() +
                              " to " + kDevice + " started\n");
}

TEST_F(CliInterruptTest, CtrlCDuringASearchListsNothingAndExits130) {
    START_DEVICES({kDevice}, {kDevice});

    CliProcess cli({"search", "--interface", kToolAddress});
    ASSERT_TRUE(cli.started());
    // A search waits for a quiet second after the probe: it is still running.
    ASSERT_TRUE(sim().WaitForEvent("*", "probe", std::chrono::seconds(10)));
    cli.Signal(SIGINT);
    const std::optional<Ended> ended = cli.Wait(std::chrono::seconds(5));
    ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of SIGINT";
    EXPECT_EQ(ended->status, 130);
    EXPECT_EQ(ended->out, "") << "a device list after the interrupt";
    EXPECT_THAT(ended->err, MatchesRegex("tavro-writer-cli: interrupted [0-9]+\\.[0-9] s into the "
                                         "search from 198\\.18\\.0\\.1, before any device was "
                                         "listed\n"));
}

TEST_F(CliInterruptTest, SighupEndsLikeSigtermWith129AndEveryDeviceItsLine) {
    const std::string second = kSecond;
    START_DEVICES({kDevice, second}, {kSlowDevice, second + ",ack-delay-ms=50"});

    const std::optional<Ended> ended = InterruptTwoTransfers(SIGHUP);
    ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of SIGHUP";
    EXPECT_TRUE(ended->exited) << "killed by signal " << ended->status;
    EXPECT_EQ(ended->status, 129);
    for (const std::string& device : {std::string(kDevice), second}) {
        EXPECT_THAT(ended->out, HasSubstr("{\"device\":\"" + device + "\",\"status\":129,"));
        ASSERT_TRUE(sim().WaitForEvent(device, "transfer-short", std::chrono::seconds(5)));
        EXPECT_FALSE(sim().StoredImage(device).has_value());
    }
}

// A run ended by a signal leaves its log whole: every line complete with its time, the
// transfer's blocks so far and the notice last; the next run adds to it, header and all.
TEST_F(CliInterruptTest, ALogCutBySignalsKeepsEveryLineWholeAndEachRunsHeader) {
    START_DEVICES({kDevice}, {kSlowDevice});
    const std::string log = image_.path() + ".log";
    std::remove(log.c_str());
    for (const int signal : {SIGTERM, SIGHUP}) {
        const std::size_t acknowledged = sim().Events(kDevice, "ack").size();
        const std::size_t cut = sim().Events(kDevice, "transfer-short").size();
        CliProcess cli(
            {"write", "--interface", kToolAddress, "--log", log, kDevice, image_.path()});
        ASSERT_TRUE(cli.started());
        ASSERT_TRUE(AwaitAcknowledgements(acknowledged + 3));
        cli.Signal(signal);
        const std::optional<Ended> ended = cli.Wait(std::chrono::seconds(5));
        ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of signal " << signal;
        EXPECT_EQ(ended->status, 128 + signal) << ended->err;
        ASSERT_TRUE(
            sim().WaitForEvents(kDevice, "transfer-short", cut + 1, std::chrono::seconds(5)));
    }

    std::ifstream file(log, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(file), {}};
    std::remove(log.c_str());
    ASSERT_THAT(content, EndsWith("\n"));
    std::vector<std::string> headers;
    std::vector<std::string> notices;
    std::size_t blockLines = 0;
    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_THAT(line, MatchesRegex("20[0-9][0-9]-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:"
                                       "[0-6][0-9]\\.[0-9][0-9][0-9]Z [^ ]+( [^ ]+)?: .*"));
        const std::string entry = line.substr(25);
        if (entry.starts_with("tavro-writer-cli 1.0.0.0: ")) headers.push_back(entry);
        if (entry.starts_with("tavro-writer-cli: ")) notices.push_back(entry);
        if (entry.starts_with(std::string(kDevice) + ": ...")) ++blockLines;
    }
    const std::string header = "tavro-writer-cli 1.0.0.0: write --interface " +
                               std::string(kToolAddress) + " --log " + log + " " + kDevice + " " +
                               image_.path();
    EXPECT_THAT(headers, ElementsAre(header, header)) << content;
    EXPECT_EQ(blockLines, 2u) << "the blocks sent before each signal\n" << content;
    ASSERT_EQ(notices.size(), 2u) << content;
    for (const std::string& notice : notices) {
        EXPECT_THAT(notice, MatchesRegex("tavro-writer-cli: interrupted after [1-9][0-9]?% of .* "
                                         "was sent to 198\\.18\\.0\\.10"));
    }
}

// The device's interrupted line cannot be written to a stdout nobody reads: it is dropped.
TEST_F(CliInterruptTest, CtrlCEndsAWriteWhoseStdoutNobodyReads) {
    START_DEVICES({kDevice}, {kSlowDevice});

    CliProcess cli({"write", "--json", kDevice, image_.path()}, {}, ChildStdout::FullPipe);
    ASSERT_TRUE(cli.started());
    ASSERT_TRUE(AwaitAcknowledgements(3));
    cli.Signal(SIGINT);
    // The bound is a second; five leave room for a slow machine.
    const std::optional<Ended> ended = cli.Wait(std::chrono::seconds(5));
    ASSERT_TRUE(ended) << "tavro-writer-cli did not end within 5 s of SIGINT";
    EXPECT_TRUE(ended->exited) << "killed by signal " << ended->status;
    EXPECT_EQ(ended->status, 130);
    ExpectTransferNotice(ended->err);
    ExpectConnectionClosedShort();
}

TEST_F(CliInterruptTest, AClosedStdoutFailsBeforeAnyDeviceIsAsked) {
    START_DEVICES({kDevice}, {kDevice});

    CliProcess cli({"write", "--interface", kToolAddress, kDevice, image_.path()}, {},
                   ChildStdout::Closed);
    ASSERT_TRUE(cli.started());
    const std::optional<Ended> ended = cli.Wait(std::chrono::seconds(20));
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->exited) << "killed by signal " << ended->status;
    EXPECT_EQ(ended->status, 74);
    EXPECT_THAT(ended->err, Not(IsEmpty()));
    EXPECT_THAT(sim().Events(kDevice, "invitation"), IsEmpty());
}

// The quick device's line cannot be written: the run ends there, and the slow device's transfer
// with it.
TEST_F(CliInterruptTest, AFullStdoutEndsTheRunAndCutsTheTransfersUnderWay) {
    START_DEVICES({kDevice, kQuickDevice}, {kSlowDevice, kQuickDevice});

    CliProcess cli({"write", "--json", kDevice, kQuickDevice, image_.path()}, {},
                   ChildStdout::DevFull);
    ASSERT_TRUE(cli.started());
    const std::optional<Ended> ended = cli.Wait(std::chrono::seconds(20));
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->exited) << "killed by signal " << ended->status;
    EXPECT_EQ(ended->status, 74);
    EXPECT_THAT(ended->err, Not(IsEmpty()));
    EXPECT_TRUE(sim().StoredImage(kQuickDevice).has_value());
    ExpectConnectionClosedShort();
}

}  // namespace
}  // namespace tavro::test
