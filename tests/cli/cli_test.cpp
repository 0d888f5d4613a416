#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "cli/commands.h"
#include "made_up_network.h"

namespace tavro::cli {
namespace {

// Made-up interfaces and devices: the commands are exercised without any traffic.
class CliTest : public ::testing::Test {
protected:
    CliTest() {
        facts = tavro::test::MadeUpFacts({{4, "veth", "tv0", {"198.18.0.1", "198.18.0.2"}}});
        (*facts.addresses)[1].mask = tavro::test::Ipv4("255.255.0.0");

        services.readInterfaceFacts = [this] { return facts; };
        services.discoverDevices = [this](DeviceTable& table, const std::string& local) {
            searchedFrom = local;
            table.rows[0] = tavro::test::MadeUpDevice("198.18.0.20", 0x0C, 105, 3);
            return discoveryResult;
        };
        services.runUpload = [this](const UploadRequest& request, UploadSink& sink) {
            uploads.push_back(request);
            sink.AppendText("socket :");
            sink.AppendText("ok\r\n");
            sink.SetProgress(100);
            return uploadResult;
        };
        services.stderrIsTerminal = [] { return false; };
    }

    int Run(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "tavro-writer-cli");
        out.str("");
        err.str("");
        return RunCli(static_cast<int>(arguments.size()), arguments.data(), services, out, err);
    }

    InterfaceFacts facts;
    CliServices services;
    int discoveryResult = 1;
    std::string searchedFrom;
    std::vector<UploadRequest> uploads;
    UploadResult uploadResult = 0;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliTest, InterfacesPrintsTheDialogsLines) {
    EXPECT_EQ(Run({"interfaces"}), 0);
    EXPECT_EQ(out.str(), "198.18.0.1 (tv0)\n198.18.0.2 (tv0)\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(CliTest, InterfacesAsJson) {
    EXPECT_EQ(Run({"interfaces", "--json"}), 0);
    EXPECT_EQ(out.str(),
              "[\n {\"index\":4,\"address\":\"198.18.0.1\",\"mask\":\"255.255.255.0\","
              "\"description\":\"veth\",\"friendlyName\":\"tv0\"},\n"
              " {\"index\":4,\"address\":\"198.18.0.2\",\"mask\":\"255.255.0.0\","
              "\"description\":\"veth\",\"friendlyName\":\"tv0\"}\n]\n");
}

TEST_F(CliTest, NoUsableInterfaceIsReportedOnStderr) {
    facts.addresses = std::vector<AddressRow>{};
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
              "\"sketchVersion\":105,\"textVersion\":3,\"shownVersion\":1.05}\n]\n");

    discoveryResult = 0;
    EXPECT_EQ(Run({"search", "--json"}), 0);
    EXPECT_EQ(out.str(), "[]\n");
}

TEST_F(CliTest, FailedSearchIsAnErrorEmptyOneIsNot) {
    discoveryResult = 0;
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(), "");

    discoveryResult = -1;
    EXPECT_EQ(Run({"search"}), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("failed"), std::string::npos);
}

TEST_F(CliTest, WriteHandsTheUploadAnAbsolutePathAndTheFixedPassword) {
    EXPECT_EQ(Run({"write", "198.18.0.20", "firmware.bin"}), 0);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].deviceAddress, "198.18.0.20");
    EXPECT_EQ(uploads[0].localAddress, "198.18.0.1");
    EXPECT_EQ(uploads[0].devicePort, 3232);
    EXPECT_EQ(uploads[0].password, "VESPERDUN");
    EXPECT_EQ(uploads[0].firmwarePath, (std::filesystem::current_path() / "firmware.bin").string());
    EXPECT_EQ(out.str(), "正常終了\n");
    EXPECT_EQ(err.str(), "") << "no trace without -v, no bar off a terminal";
}

TEST_F(CliTest, WriteExitStatusFollowsTheOutcome) {
    const std::vector<std::tuple<UploadResult, int, std::string>> outcomes = {
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
    EXPECT_EQ(uploads.back().localAddress, "198.18.0.2");
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

}  // namespace
}  // namespace tavro::cli
