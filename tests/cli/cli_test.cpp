#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "cli/commands.h"
#include "made_up_network.h"
#include "made_up_sightings.h"
#include "text_checks.h"

namespace tavro::cli {
namespace {

// Made-up interfaces and devices: the commands are exercised without any traffic.
class CliTest : public ::testing::Test {
protected:
    CliTest() {
        facts = tavro::test::MadeUpFacts({{4, "veth", "tv0", {"198.18.0.1", "198.18.0.2"}}});
        (*facts.addresses)[1].mask = tavro::test::Ipv4("255.255.0.0");

        services.readInterfaceFacts = [this] { return facts; };
        services.discoverDevices = [this](discovery::DeviceTable& table, net::Ipv4Address local) {
            searchedFrom = local.ToString();
            table.rows[0] = tavro::test::MadeUpDevice("198.18.0.20", 0x0C, 105, 3);
            return discoveryResult;
        };
        services.searchEveryDevice = [this](net::Ipv4Address local) {
            return tavro::test::SightingsOfDiscovery(services.discoverDevices, local);
        };
        services.runUpload = [this](const upload::UploadRequest& request, upload::UploadSink& sink,
                                    const upload::UploadTimeouts& timeouts) {
            uploads.push_back(request);
            uploadTimeouts.push_back(timeouts);
            playUpload(sink);
            upload::UploadReport report = uploadReport;
            report.result = uploadResult;
            report.device = request.deviceAddress;
            return report;
        };
        services.stderrIsTerminal = [] { return false; };
        services.environment = [this](std::string_view name) -> std::optional<std::string> {
            const auto found = environment.find(std::string(name));
            if (found == environment.end()) return std::nullopt;
            return found->second;
        };
    }

    int Run(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "tavro-writer-cli");
        out.str("");
        err.str("");
        return RunCli(static_cast<int>(arguments.size()), arguments.data(), services, out, err);
    }

    interfaces::InterfaceFacts facts;
    CliServices services;
    int discoveryResult = 1;
    std::string searchedFrom;
    std::vector<upload::UploadRequest> uploads;
    std::vector<upload::UploadTimeouts> uploadTimeouts;
    // The outcome texts below are the dialog's; English has tests of its own.
    std::map<std::string, std::string> environment = {{"LANG", "ja_JP.UTF-8"}};
    upload::UploadReport uploadReport;
    std::function<void(upload::UploadSink&)> playUpload = [](upload::UploadSink& sink) {
        sink.AppendText("socket :");
        sink.AppendText("ok\r\n");
        sink.SetProgress(100);
        sink.BytesAcknowledged(2048, 2048);
    };
    upload::UploadResult uploadResult = 0;
    std::ostringstream out;
    std::ostringstream err;
};

// A mistyped command or option is named with what was probably meant; a value that is no
// number is called that, not out of range.
TEST_F(CliTest, UsageErrorsNameWhatWasWrongAndWhatWasMeant) {
    EXPECT_EQ(Run({"serch"}), 64);
    EXPECT_NE(err.str().find("'serch'; did you mean 'search'?"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"write", "--jbos", "2", "198.18.0.20", "/tmp/f.bin"}), 64);
    EXPECT_NE(err.str().find("'--jbos'; did you mean '--jobs'?"), std::string::npos) << err.str();
    for (const char* option : {"--connect-timeout", "--local-port"}) {
        EXPECT_EQ(Run({"write", option, "abc", "198.18.0.20", "/tmp/f.bin"}), 64);
        EXPECT_NE(err.str().find("'abc' is not a"), std::string::npos) << err.str();
    }
    EXPECT_TRUE(out.str().empty());
}

TEST_F(CliTest, InterfacesPrintsTheDialogsLines) {
    EXPECT_EQ(Run({"interfaces"}), 0);
    EXPECT_EQ(out.str(), "198.18.0.1 (tv0)\n198.18.0.2 (tv0)\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(CliTest, InterfacesAsJson) {
    EXPECT_EQ(Run({"interfaces", "--json"}), 0);
    EXPECT_EQ(out.str(),
              "[\n {\"index\":4,\"address\":\"198.18.0.1\",\"mask\":\"255.255.255.0\","
              "\"description\":\"veth\",\"friendlyName\":\"tv0\",\"ifname\":\"tv0\","
              "\"prefixlen\":24},\n"
              " {\"index\":4,\"address\":\"198.18.0.2\",\"mask\":\"255.255.0.0\","
              "\"description\":\"veth\",\"friendlyName\":\"tv0\",\"ifname\":\"tv0\","
              "\"prefixlen\":16}\n]\n");
}

TEST_F(CliTest, NoUsableInterfaceIsReportedOnStderr) {
    facts.addresses = std::vector<interfaces::AddressRow>{};
    EXPECT_EQ(Run({"interfaces"}), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "ネットワークデバイスが見つかりませんでした。\n");

    EXPECT_EQ(Run({"search"}), 1);
    EXPECT_EQ(err.str(), "ネットワークデバイスが見つかりませんでした。\n");
}

TEST_F(CliTest, UnreadableAdapterListEndsWithStatusOneAndItsReason) {
    facts.adapters = std::nullopt;
    facts.adapterError = "netlink dump refused";
    EXPECT_EQ(Run({"interfaces"}), 1);
    EXPECT_NE(err.str().find("tavro-writer-cli: "), std::string::npos);
}

TEST_F(CliTest, SearchUsesTheFirstInterfaceUnlessOneIsNamed) {
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(searchedFrom, "198.18.0.1");
    EXPECT_EQ(out.str(), "198.18.0.20 / 02-00-5E-0A-0B-0C / ver. 1.05\n");

    EXPECT_EQ(Run({"search", "--interface", "198.18.0.2"}), 0);
    EXPECT_EQ(searchedFrom, "198.18.0.2");

    searchedFrom.clear();
    EXPECT_EQ(Run({"search", "--interface", "198.18.0.99"}), 1);
    EXPECT_TRUE(searchedFrom.empty()) << "searched from an address that is not ours";
    EXPECT_NE(err.str().find("198.18.0.99"), std::string::npos);
}

TEST_F(CliTest, SearchAsJson) {
    EXPECT_EQ(Run({"search", "--json"}), 0);
    EXPECT_EQ(out.str(),
              "[\n {\"address\":\"198.18.0.20\",\"hardwareAddress\":\"02-00-5E-0A-0B-0C\","
              "\"sketchVersion\":105,\"textVersion\":3,\"shownVersion\":1.05,"
              "\"mac\":\"02:00:5e:0a:0b:0c\",\"version\":\"1.05\",\"ifname\":\"tv0\","
              "\"localAddress\":\"198.18.0.1\"}\n]\n");

    discoveryResult = 0;
    EXPECT_EQ(Run({"search", "--json"}), 0);
    EXPECT_EQ(out.str(), "[]\n");
}

TEST_F(CliTest, FailedSearchIsAnErrorEmptyOneIsNot) {
    discoveryResult = 0;
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("(198.18.0.1)"), std::string::npos) << "an empty search said nothing";

    discoveryResult = -1;
    EXPECT_EQ(Run({"search"}), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("failed"), std::string::npos);
}

TEST_F(CliTest, WriteHandsTheUploadAnAbsolutePathAndTheFixedPassword) {
    EXPECT_EQ(Run({"write", "198.18.0.20", "firmware.bin"}), 0);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].deviceAddress.ToString(), "198.18.0.20");
    EXPECT_EQ(uploads[0].localAddress.ToString(), "198.18.0.1");
    EXPECT_EQ(uploads[0].devicePort, 3232);
    EXPECT_EQ(uploads[0].password, "VESPERDUN");
    EXPECT_EQ(uploads[0].firmwarePath, (std::filesystem::current_path() / "firmware.bin").string());
    EXPECT_EQ(out.str(), "正常終了\n");
    EXPECT_EQ(err.str(), "") << "no trace without -v, no bar off a terminal";
}

TEST_F(CliTest, WriteExitStatusFollowsTheOutcome) {
    const std::vector<std::tuple<upload::UploadResult, int, std::string>> outcomes = {
        {1, 1, "TAVRO通信エラー\n"},
        {2, 2, "ファームウェアファイルエラー\n"},
        {3, 3, "内部エラー\n"},
        {10060, 4, "ネットワークエラー:10060\n"},
        {20004, 4, "ネットワークエラー:20004\n"},
    };
    for (const auto& [result, status, text] : outcomes) {
        uploadResult = result;
        EXPECT_EQ(Run({"write", "--password", "other", "198.18.0.20", "/tmp/f.bin"}), status);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(err.str(), text);
    }
    EXPECT_EQ(uploads.back().password, "other");
}

TEST_F(CliTest, VerboseWriteStreamsTheTrace) {
    EXPECT_EQ(Run({"write", "-v", "--interface", "198.18.0.2", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_EQ(err.str(), "socket :ok\r\n");
    EXPECT_EQ(uploads.back().localAddress.ToString(), "198.18.0.2");
}

TEST_F(CliTest, ProgressBarOnlyOnATerminal) {
    services.stderrIsTerminal = [] { return true; };
    EXPECT_EQ(Run({"write", "198.18.0.20", "/tmp/f.bin"}), 0);
    EXPECT_NE(err.str().find("] 100%"), std::string::npos);
}

TEST_F(CliTest, UsageErrors) {
    EXPECT_EQ(Run({}), 64);
    EXPECT_EQ(Run({"write", "198.18.0.20"}), 64);
    EXPECT_EQ(Run({"write", "not-an-address", "/tmp/f.bin"}), 64);
    EXPECT_TRUE(uploads.empty());
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out.str(), "tavro-writer-cli 1.0.0.0\n");
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out.str().find("write"), std::string::npos);
}

TEST_F(CliTest, DeviceAddressIsReadStrictly) {
    const std::string notFour = "it is not four decimal numbers separated by dots";
    const std::string leadingZero = "a number has a leading zero";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"198.18.0.010", leadingZero},
        {"1.2.3.0255", leadingZero},
        {"198.18.10", notFour},
        {"3323068426", notFour},
        {"0x7f.0.0.1", notFour},
        {"1.2.3.4 ", notFour},
        {"+1.2.3.4", notFour},
        {"1.2.3.4.5", notFour},
        {"1..2.3", notFour},
        {"", notFour},
        {"1.2.3.256", "a number is greater than 255"},
        {"0.0.0.0", "0.0.0.0 is no device's address"},
        {"224.0.0.1", "it is a multicast address"},
        {"239.255.255.250", "it is a multicast address"},
        {"255.255.255.255", "it is the broadcast address"},
    };
    for (const auto& [device, why] : refused) {
        EXPECT_EQ(Run({"write", device.c_str(), "/tmp/f.bin"}), 64) << device;
        EXPECT_EQ(err.str(),
                  "tavro-writer-cli: \"" + device + "\" is not a device address: " + why + "\n");
    }
    EXPECT_TRUE(uploads.empty()) << "an upload started to " << uploads.front().deviceAddress;

    for (const char* device :
         {"198.18.0.10", "10.0.0.1", "0.1.2.3", "223.255.255.254", "255.255.255.254"}) {
        EXPECT_EQ(Run({"write", device, "/tmp/f.bin"}), 0) << device << ": " << err.str();
        EXPECT_EQ(uploads.back().deviceAddress.ToString(), device);
    }
}

TEST_F(CliTest, NoWriteToTheSubnetsEdgesLoopbackOrTheLocalAddress) {
    // 198.18.0.1 is on a /24, 198.18.0.2 on a /16.
    for (const char* device :
         {"198.18.0.0", "198.18.0.255", "198.18.0.1", "127.0.0.1", "127.9.9.9"}) {
        EXPECT_EQ(Run({"write", device, "/tmp/f.bin"}), 64) << device;
        EXPECT_NE(err.str().find(std::string("\"") + device + "\" is not a device address: "),
                  std::string::npos)
            << err.str();
    }
    for (const char* device : {"198.18.255.255", "198.18.0.0", "198.18.0.2"}) {
        EXPECT_EQ(Run({"write", "--interface", "198.18.0.2", device, "/tmp/f.bin"}), 64) << device;
    }
    EXPECT_TRUE(uploads.empty()) << "an upload started to " << uploads.front().deviceAddress;
    EXPECT_EQ(Run({"write", "--interface", "198.18.0.2", "198.18.0.255", "/tmp/f.bin"}), 0);
}

TEST_F(CliTest, NonFiniteOrZeroTimeoutsAndAnEmptyInterfaceAreUsageErrors) {
    for (const char* option : {"--connect-timeout", "--ack-timeout", "--verify-timeout"}) {
        for (const char* value : {"nan", "NaN", "inf", "-inf", "0"}) {
            EXPECT_EQ(Run({"write", option, value, "198.18.0.20", "/tmp/f.bin"}), 64)
                << option << " " << value;
        }
    }
    EXPECT_EQ(Run({"write", "--interface", "", "198.18.0.20", "/tmp/f.bin"}), 64);
    EXPECT_EQ(Run({"search", "--interface", ""}), 64);
    EXPECT_TRUE(uploads.empty());
    EXPECT_EQ(searchedFrom, "");
}

// Hostile bytes where a peer or an interface name puts text: ESC sequences, NUL-free C0 and C1
// controls, bytes that are not UTF-8.
TEST_F(CliTest, InterfaceNamesReachTheTerminalEscapedAndJsonAsValidUtf8) {
    facts = tavro::test::MadeUpFacts(
        {{4, "veth\x07\xc2\x9b[31m \xff", "tv\x1b[2J\xe3\x83", {"198.18.0.1"}}});
    EXPECT_EQ(Run({"interfaces"}), 0);
    EXPECT_EQ(out.str(), "198.18.0.1 (tv\\x1b[2J\\xe3\\x83)\n");

    EXPECT_EQ(Run({"interfaces", "--json"}), 0);
    EXPECT_TRUE(tavro::test::IsUtf8(out.str())) << out.str();
    EXPECT_NE(out.str().find("\"description\":\"veth\\u0007\\u009b[31m \\ufffd\""),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\"friendlyName\":\"tv\\u001b[2J\\ufffd\""), std::string::npos)
        << out.str();
}

TEST_F(CliTest, DeviceRowsReachTheTerminalEscaped) {
    services.discoverDevices = [](discovery::DeviceTable& table, net::Ipv4Address) {
        table.rows[0] = tavro::test::MadeUpDevice("\x1b[2J\xff%n", 0x0C, 105);
        return 1;
    };
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(), "\\x1b[2J\\xff%n / 02-00-5E-0A-0B-0C / ver. 1.05\n");

    EXPECT_EQ(Run({"search", "--json"}), 0);
    EXPECT_TRUE(tavro::test::IsUtf8(out.str()));
    EXPECT_NE(out.str().find("\"address\":\"\\u001b[2J\\ufffd%n\""), std::string::npos)
        << out.str();
}

TEST_F(CliTest, VerboseTraceKeepsItsLineBreaksAndEscapesTheRest) {
    playUpload = [](upload::UploadSink& sink) {
        // A character and a CR LF cut between two pieces of the trace stay whole.
        sink.AppendText("recv: \"\x1b[2J\xe7\xb5");
        sink.AppendText("\x82\"\r");
        constexpr char kWithNul[] = "\nBad Answer: \xff\0\r\n";
        sink.AppendText(std::string_view(kWithNul, sizeof kWithNul - 1));
        sink.ShowError("\x1b[31mred");
        sink.AppendText("no line end \x9b");
    };
    uploadResult = 1;
    EXPECT_EQ(Run({"write", "-v", "198.18.0.20", "/tmp/f.bin"}), 1);
    EXPECT_EQ(err.str(),
              "recv: \"\\x1b[2J\xe7\xb5\x82\"\r\nBad Answer: \\xff\\x00\r\n"
              "Error: \\x1b[31mred\nno line end \\x9bTAVRO通信エラー\n");
}

TEST_F(CliTest, ArgumentsEchoedInMessagesAreEscaped) {
    EXPECT_EQ(Run({"search", "--interface", "198.18.0.1\x1b[2J"}), 1);
    EXPECT_NE(err.str().find("198.18.0.1\\x1b[2J is neither the address"), std::string::npos)
        << err.str();

    EXPECT_EQ(Run({"write", "198.18.0.20", "extra\x1b]0;title\x07", "/tmp/f.bin"}), 64);
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("extra\\x1b]0;title\\x07"), std::string::npos) << err.str();
}

// A stop signal that arrives while the upload runs: the process prints the notice, and the
// upload's own outcome, success included, never follows it.
TEST_F(CliTest, InterruptedWriteSaysHowFarItGotAndNothingMore) {
    services.stderrIsTerminal = [] { return true; };
    std::optional<std::string> notice;
    playUpload = [&](upload::UploadSink& sink) {
        sink.SetProgress(42);
        sink.BytesAcknowledged(430, 1024);
        notice = services.job->Interrupt(std::chrono::seconds(1));
        sink.SetProgress(100);
        sink.BytesAcknowledged(1024, 1024);
    };
    EXPECT_EQ(Run({"write", "198.18.0.20", "fw\x1b.bin"}), 0);
    EXPECT_EQ(notice,
              "\ntavro-writer-cli: interrupted after 42% of fw\\x1b.bin was sent to "
              "198.18.0.20\n");
    EXPECT_EQ(out.str(), "") << "the outcome was printed after the interrupt";
    EXPECT_EQ(err.str().find("100%"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tavro::cli
