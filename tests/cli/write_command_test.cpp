// The write command against a fake upload: the options it hands over, the password's sources,
// what it shows while the upload runs and how it tells the outcome and its cause.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "cli/commands.h"
#include "cli/console/terminal_text.h"
#include "cli/password_source.h"
#include "made_up_network.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace tavro::cli {
namespace {

using namespace std::chrono_literals;

class WriteCommandTest : public ::testing::Test {
protected:
    WriteCommandTest() {
        services.readInterfaceFacts = [] {
            return tavro::test::MadeUpFacts({{4, "veth", "tv0", {"198.18.0.1"}}});
        };
        services.runUpload = [this](const upload::UploadRequest& request, upload::UploadSink& sink,
                                    const upload::UploadTimeouts& timeouts) {
            requests.push_back(request);
            this->timeouts.push_back(timeouts);
            playUpload(sink);
            upload::UploadReport played = report;
            played.device = request.deviceAddress;
            return played;
        };
        services.stderrIsTerminal = [this] { return terminal; };
        services.environment = [this](std::string_view name) -> std::optional<std::string> {
            const auto found = environment.find(std::string(name));
            if (found == environment.end()) return std::nullopt;
            return found->second;
        };
    }
    ~WriteCommandTest() override { std::filesystem::remove_all(directory); }

    int Run(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "tavro-writer-cli");
        out.str("");
        err.str("");
        return RunCli(static_cast<int>(arguments.size()), arguments.data(), services, out, err);
    }

    std::string WriteFile(const std::string& name, const std::string& content) {
        std::filesystem::create_directories(directory);
        const std::string path = (directory / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    CliServices services;
    bool terminal = false;
    std::map<std::string, std::string> environment;
    std::vector<upload::UploadRequest> requests;
    std::vector<upload::UploadTimeouts> timeouts;
    upload::UploadReport report;
    std::function<void(upload::UploadSink&)> playUpload = [](upload::UploadSink&) {};
    std::ostringstream out;
    std::ostringstream err;
    std::filesystem::path directory = std::filesystem::temp_directory_path() /
                                      ("tavro-write-command-" + std::to_string(::getpid()));
};

TEST_F(WriteCommandTest, AFailureIsToldAsItsOutcomeAndThenItsCauseInTheLocalesLanguage) {
    report.result = upload::kUploadRefused;
    report.cause = upload::UploadCause::BadAnswer;
    report.deviceAnswer = "N\x1b[2JG";
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "TAVRO communication error\n"
              "198.18.0.20 answered the invitation with \"N\\x1b[2JG\"\n");

    environment["LANG"] = "ja_JP.UTF-8";
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 1);
    EXPECT_EQ(err.str(),
              "TAVRO通信エラー\n"
              "198.18.0.20 は書き込み依頼に \"N\\x1b[2JG\" と応答しました\n");

    environment["LC_ALL"] = "C";
    report.result = 10060;
    report.cause = upload::UploadCause::NoConnectBack;
    report.localAddress = net::Ipv4Address::FromOctets(198, 18, 0, 1);
    report.localPort = 40123;
    report.localPortChosen = true;
    report.bound = 2500ms;
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 4);
    EXPECT_EQ(err.str(),
              "Network error: 10060\n"
              "198.18.0.20 did not connect back within 2.5 s to 198.18.0.1:40123; if a firewall "
              "guards this computer, let incoming TCP connections to port 40123 through\n");
}

TEST_F(WriteCommandTest, ASuccessIsOneLineOnStdout) {
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(out.str(), "Completed normally\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(WriteCommandTest, PortAndBoundsReachTheUpload) {
    EXPECT_EQ(Run({"write", "--local-port", "40123", "--connect-timeout", "2.5", "--ack-timeout",
                   "0.5", "198.18.0.20", "/tmp/f.bin"}),
              0);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].localPort, 40123);
    EXPECT_EQ(timeouts[0].connectBack, 2500ms);
    EXPECT_EQ(timeouts[0].acknowledgement, 500ms);
    EXPECT_EQ(timeouts[0].reply, 3000ms);

    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(requests[1].localPort, 0) << "without --local-port the system picks the port";
    EXPECT_EQ(timeouts[1].connectBack, 30000ms);
    EXPECT_EQ(timeouts[1].acknowledgement, 30000ms);

    for (const std::vector<const char*>& refused : {std::vector<const char*>{"--local-port", "0"},
                                                    {"--local-port", "65536"},
                                                    {"--local-port", "http"},
                                                    {"--connect-timeout", "0"},
                                                    {"--ack-timeout", "-1"}}) {
        std::vector<const char*> arguments = {"write"};
        arguments.insert(arguments.end(), refused.begin(), refused.end());
        arguments.insert(arguments.end(), {"198.18.0.20", "/tmp/f.bin"});
        EXPECT_EQ(Run(arguments), 64) << refused[0] << " " << refused[1];
    }
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(WriteCommandTest, ThePasswordComesFromTheOptionTheFileTheEnvironmentOrTheFactory) {
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(requests.back().password, "VESPERDUN");

    environment["TAVRO_PASSWORD"] = "from-environment";
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(requests.back().password, "from-environment");

    const std::string file = WriteFile("password", "from-file\r\nsecond line\n");
    EXPECT_EQ(Run({"write", "--password-file", file.c_str(), "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(requests.back().password, "from-file");

    EXPECT_EQ(Run({"write", "--password", "given", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(requests.back().password, "given");

    EXPECT_EQ(Run({"write", "--password", "given", "--password-file", file.c_str(), "198.18.0.20",
                   "/tmp/f.bin"}),
              64);
    EXPECT_EQ(err.str().find("given"), std::string::npos) << err.str();
    EXPECT_EQ(requests.size(), 4u);
}

TEST_F(WriteCommandTest, AnUnreadablePasswordFileStopsBeforeTheUploadWithoutShowingItsContent) {
    const std::string missing = (directory / "absent").string();
    EXPECT_EQ(Run({"write", "--password-file", missing.c_str(), "198.18.0.20", "/tmp/f.bin"}), 64);
    // The path is shown as any foreign text is: a Windows path's backslashes escaped.
    EXPECT_EQ(err.str(), "tavro-writer-cli: cannot read the password file " +
                             TerminalText(missing) + ": No such file or directory\n");
    std::filesystem::create_directories(directory);
    const std::string folder = directory.string();
    EXPECT_EQ(Run({"write", "--password-file", folder.c_str(), "198.18.0.20", "/tmp/f.bin"}), 64);
#ifdef _WIN32
    const char* const directoryReason = "Permission denied";
#else
    const char* const directoryReason = "Is a directory";
#endif
    EXPECT_NE(err.str().find(directoryReason), std::string::npos) << err.str();
    const std::string huge = WriteFile("huge", std::string(5000, 's'));
    EXPECT_EQ(Run({"write", "--password-file", huge.c_str(), "198.18.0.20", "/tmp/f.bin"}), 64);
    EXPECT_EQ(err.str().find("sss"), std::string::npos) << err.str();
    EXPECT_TRUE(requests.empty());
}

#ifndef _WIN32
TEST_F(WriteCommandTest, APasswordFifoWithoutAWriterEndsAtTheWaitsBound) {
    std::filesystem::create_directories(directory);
    const std::string fifo = (directory / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ostringstream message;
    EXPECT_EQ(ResolvePassword(
                  {.given = std::nullopt, .file = fifo, .fileWait = std::chrono::milliseconds(50)},
                  services.environment, message),
              std::nullopt);
    EXPECT_NE(message.str().find(TerminalText(fifo)), std::string::npos) << message.str();

    // Nor does a FIFO as the support log hold the run at its opening, nor is the firmware
    // file written over as a log.
    EXPECT_EQ(Run({"write", "--log", fifo.c_str(), "198.18.0.20", "/tmp/f.bin"}), 1);
    const std::string image = WriteFile("image.bin", "firmware");
    EXPECT_EQ(Run({"write", "--log", image.c_str(), "198.18.0.20", image.c_str()}), 64);
    EXPECT_EQ(std::filesystem::file_size(image), 8u) << "the firmware file was written over";
    EXPECT_TRUE(requests.empty());
}
#endif

// The firmware file and the port are the ones typed; a bracketed list names no device; an
// empty path is no path, not "none given".
TEST_F(WriteCommandTest, ArgumentsReachTheWriteAsTyped) {
    EXPECT_EQ(Run({"write", "--local-port", "010000", "198.18.0.20", "[fw]"}), 0) << err.str();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].localPort, 10000);
    EXPECT_EQ(std::filesystem::path(requests[0].firmwarePath).filename(), "[fw]");

    EXPECT_EQ(Run({"write", "[198.18.0.21,198.18.0.22]", "/tmp/f.bin"}), 64);
    EXPECT_EQ(err.str(),
              "tavro-writer-cli: \"[198.18.0.21,198.18.0.22]\" is not a device "
              "address: it is not four decimal numbers separated by dots\n");

    for (const std::vector<const char*>& empty :
         {std::vector<const char*>{"--password-file", "", "198.18.0.20", "/tmp/f.bin"},
          {"--log", "", "198.18.0.20", "/tmp/f.bin"},
          {"--log=", "198.18.0.20", "/tmp/f.bin"},
          {"198.18.0.20", ""}}) {
        std::vector<const char*> arguments = {"write"};
        arguments.insert(arguments.end(), empty.begin(), empty.end());
        EXPECT_EQ(Run(arguments), 64) << empty[0];
        EXPECT_NE(err.str().find(": a file's path, not an empty text\n"), std::string::npos)
            << err.str();
    }
    EXPECT_EQ(requests.size(), 1u);
}

// The log is added to: it must be none of the files the run reads, judged by what the file is,
// however the path names it.
TEST_F(WriteCommandTest, TheLogIsNoneOfTheRunsInputsHoweverItIsNamed) {
    const std::string password = WriteFile("password", "from-file\n");
    const std::string image = WriteFile("image.bin", "firmware");
    const std::string linked = (directory / "linked").string();
    std::filesystem::create_hard_link(password, linked);
    EXPECT_EQ(Run({"write", "--password-file", password.c_str(), "--log", linked.c_str(),
                   "198.18.0.20", "/tmp/f.bin"}),
              64);
    EXPECT_EQ(err.str(), "tavro-writer-cli: the log " + TerminalText(linked) +
                             " is the password file; the trace would be written into it\n");
    const std::string spelled = (directory / "." / "image.bin").string();
    EXPECT_EQ(Run({"write", "--log", spelled.c_str(), "198.18.0.20", image.c_str()}), 64);
    EXPECT_NE(err.str().find(" is the firmware file;"), std::string::npos) << err.str();
#ifndef _WIN32
    const std::string symbolic = (directory / "symbolic").string();
    std::filesystem::create_symlink(image, symbolic);
    EXPECT_EQ(Run({"write", "--log", symbolic.c_str(), "198.18.0.20", image.c_str()}), 64);

    // Nor the file stdout goes to: "> out.json" writes from its own place, over the log's lines.
    const std::string output = WriteFile("out.json", "");
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    const int file = ::open(output.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(file, 0);
    ::dup2(file, STDOUT_FILENO);
    ::close(file);
    const int status = Run({"write", "--log", output.c_str(), "198.18.0.20", "/tmp/f.bin"});
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(savedStdout);
    EXPECT_EQ(status, 64);
    EXPECT_NE(err.str().find(" is where standard output goes;"), std::string::npos) << err.str();
    EXPECT_EQ(std::filesystem::file_size(output), 0u);
#endif
    // A firmware path that names nothing yet would be the log itself once the log is made.
    const std::string unmade = (directory / "unmade.bin").string();
    EXPECT_EQ(Run({"write", "--log", unmade.c_str(), "198.18.0.20", unmade.c_str()}), 64);
    EXPECT_FALSE(std::filesystem::exists(unmade)) << "the refused log was left behind";

    EXPECT_EQ(std::filesystem::file_size(password), 10u) << "the password file was written to";
    EXPECT_EQ(std::filesystem::file_size(image), 8u) << "the firmware file was written to";
    EXPECT_TRUE(requests.empty());
}

TEST_F(WriteCommandTest, ATerminalSeesWhatTheUploadWaitsForThenTheBar) {
    playUpload = [](upload::UploadSink& sink) {
        sink.InvitationSent(1, 10);
        sink.InvitationSent(2, 10);
        sink.AwaitingConnection(net::Ipv4Address::FromOctets(198, 18, 0, 1), 40123);
        sink.BytesAcknowledged(1024, 2048);
        sink.BytesAcknowledged(2048, 2048);
    };
    terminal = true;
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 0);
    const std::string shown = err.str();
    const auto asking = shown.find("\rasking 198.18.0.20 to take the firmware (try 2 of 10)");
    const auto waiting =
        shown.find("\rwaiting for 198.18.0.20 to connect back to 198.18.0.1:40123");
    const auto bar = shown.find("] 100%  2.0/2.0 KiB");
    EXPECT_NE(asking, std::string::npos) << shown;
    EXPECT_NE(waiting, std::string::npos) << shown;
    EXPECT_NE(bar, std::string::npos) << shown;
    EXPECT_TRUE(asking < waiting && waiting < bar) << shown;
    EXPECT_EQ(shown.back(), '\n') << "the status line is left open";
    EXPECT_EQ(out.str(), "Completed normally\n");

    // The trace alone with -v; nothing at all without a terminal.
    EXPECT_EQ(Run({"write", "-v", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(err.str(), "");
    terminal = false;
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace tavro::cli
