// What `search` tells on stderr beside its list when the search left replies out.

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cli/commands.h"
#include "made_up_network.h"

namespace tavro::cli {
namespace {

class SearchNoticeTest : public ::testing::Test {
protected:
    SearchNoticeTest() {
        services.readInterfaceFacts = [] {
            return tavro::test::MadeUpFacts({{4, "veth", "tv0", {"198.18.0.1"}}});
        };
        services.discoverDevices = [this](discovery::DeviceTable& table, net::Ipv4Address) {
            table.rows[0] = tavro::test::MadeUpDevice("198.18.0.20", 0x0C, 105, 3);
            return outcome;
        };
        services.stderrIsTerminal = [] { return false; };
    }

    int Run(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "tavro-writer-cli");
        out.str("");
        err.str("");
        return RunCli(static_cast<int>(arguments.size()), arguments.data(), services, out, err);
    }

    CliServices services;
    discovery::SearchOutcome outcome{1};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(SearchNoticeTest, AFullListIsToldInOneLineOnStderrWithOrWithoutJson) {
    outcome.unlistedReplies = 44;
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(), "198.18.0.20 / 02-00-5E-0A-0B-0C / ver. 1.05\n");
    EXPECT_EQ(err.str(),
              "tavro-writer-cli: 44 more replies were not listed (the list holds 256)\n");

    EXPECT_EQ(Run({"search", "--json"}), 0);
    EXPECT_EQ(out.str(),
              "[\n {\"address\":\"198.18.0.20\",\"hardwareAddress\":\"02-00-5E-0A-0B-0C\","
              "\"sketchVersion\":105,\"textVersion\":3,\"shownVersion\":1.05,"
              "\"mac\":\"02:00:5e:0a:0b:0c\",\"version\":\"1.05\",\"ifname\":\"tv0\","
              "\"localAddress\":\"198.18.0.1\"}\n]\n");
    EXPECT_EQ(err.str(),
              "tavro-writer-cli: 44 more replies were not listed (the list holds 256)\n");
}

TEST_F(SearchNoticeTest, ASearchEndedByItsBoundIsToldEvenWithNothingListed) {
    outcome = discovery::SearchOutcome(0);
    outcome.endedAtBound = true;
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "tavro-writer-cli: the search ended at its 10 s bound while replies were still "
              "arriving\n");
}

TEST_F(SearchNoticeTest, AnOrdinarySearchSaysNothingOnStderr) {
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(Run({"search", "--json"}), 0);
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace tavro::cli
