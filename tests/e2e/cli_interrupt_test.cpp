// Ctrl-C and SIGTERM against the real tavro-writer-cli, run in the tool namespace of a private
// test network while it writes to or searches for simulated devices.

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
#include <string>
#include <thread>
#include <vector>

#include "device_network_test.h"

extern char** environ;

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

struct Ended {
    bool exited = false;
    int status = -1;  // exit status, or the signal that killed it
    std::string out;
    std::string err;
};

// tavro-writer-cli as a child of the test thread, so in the tool namespace, with its stdout and
// stderr on pipes. SIGINT and SIGTERM start at their defaults whatever the test runner set.
class CliProcess {
public:
    explicit CliProcess(const std::vector<std::string>& arguments) {
        std::vector<std::string> args = {TAVRO_WRITER_CLI_PATH};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);

        int outPipe[2];
        int errPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigset_t stops;
        ::sigemptyset(&none);
        ::sigemptyset(&stops);
        ::sigaddset(&stops, SIGINT);
        ::sigaddset(&stops, SIGTERM);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &stops);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        out_ = outPipe[0];
        err_ = errPipe[0];
    }
    ~CliProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void Signal(int signal) { ::kill(pid_, signal); }

    // Collects the output until the child has closed both pipes and ended; nullopt when that
    // took longer than the limit.
    std::optional<Ended> Wait(std::chrono::milliseconds limit) {
        Ended ended;
        const auto deadline = Clock::now() + limit;
        while (out_ >= 0 || err_ >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd entries[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            if (::poll(entries, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
                return std::nullopt;
            }
            Drain(entries[0], out_, ended.out);
            Drain(entries[1], err_, ended.err);
        }
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        ended.exited = WIFEXITED(status);
        ended.status = ended.exited ? WEXITSTATUS(status) : WTERMSIG(status);
        return ended;
    }

private:
    static void Drain(const pollfd& entry, int& fd, std::string& into) {
        if (fd < 0 || entry.revents == 0) return;
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            into.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            ::close(fd);
            fd = -1;
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
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

}  // namespace
}  // namespace tavro::test
