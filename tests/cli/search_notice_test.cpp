// What `search` tells on stderr beside its list: replies it could not list, and why.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "made_up_network.h"
#include "made_up_sightings.h"
#include "net/socket_error.h"
#include "texts/local_error_texts.h"
#include "texts/search_texts.h"

namespace tavro::cli {
namespace {

using discovery::VersionFate;
constexpr texts::Language kEnglish = texts::Language::English;
using tavro::test::AnsweredSighting;
using tavro::test::MadeUpDevice;
using tavro::test::UnansweredSighting;

class SearchNoticeTest : public ::testing::Test {
protected:
    SearchNoticeTest() {
        services.readInterfaceFacts = [] {
            return tavro::test::MadeUpFacts({{4, "veth", "tv0", {"198.18.0.1"}}});
        };
        services.searchEveryDevice = [this](net::Ipv4Address) { return sightings; };
        services.stderrIsTerminal = [] { return false; };
        services.environment = [](std::string_view name) -> std::optional<std::string> {
            if (name == "LANG") return "C";
            return std::nullopt;
        };
    }

    int Run(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "tavro-writer-cli");
        out.str("");
        err.str("");
        return RunCli(static_cast<int>(arguments.size()), arguments.data(), services, out, err);
    }

    // n devices at 198.18.0.20.., each with its own hardware address.
    static std::vector<discovery::DeviceRecord> Devices(int n) {
        std::vector<discovery::DeviceRecord> rows;
        for (int i = 0; i < n; ++i) {
            const std::string address =
                "198.18." + std::to_string(1 + i / 200) + "." + std::to_string(20 + i % 200);
            rows.push_back(MadeUpDevice(address.c_str(), static_cast<std::uint8_t>(i), 100 + i));
        }
        return rows;
    }

    CliServices services;
    discovery::Sightings sightings;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(SearchNoticeTest, ThreeHundredDevicesAreAllListedInReplyOrderWithNothingOnStderr) {
    const std::vector<discovery::DeviceRecord> rows = Devices(300);
    for (const auto& row : rows) sightings.replies.push_back(AnsweredSighting(row));
    EXPECT_EQ(Run({"search"}), 0);
    std::string expected;
    for (const auto& row : rows) expected += discovery::DeviceLine(row) + "\n";
    EXPECT_EQ(out.str(), expected);
    EXPECT_EQ(err.str(), "");

    EXPECT_EQ(Run({"search", "--json"}), 0);
    const std::string json = out.str();
    EXPECT_NE(json.find("\"address\":\"198.18.2.119\""), std::string::npos);  // the 300th
    EXPECT_EQ(err.str(), "");
}

TEST_F(SearchNoticeTest, OnlyTheRepliesTheListAcceptsAreListed) {
    const std::vector<discovery::DeviceRecord> rows = Devices(3);
    sightings.replies = {UnansweredSighting(rows[0], VersionFate::Silent),
                         AnsweredSighting(rows[1]),
                         // Two CR-ended lines without a version: listed, as the dialog lists it.
                         UnansweredSighting(rows[2], VersionFate::Unreadable)};
    sightings.replies[2].listed = true;
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(),
              discovery::DeviceLine(rows[1]) + "\n" + discovery::DeviceLine(rows[2]) + "\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(SearchNoticeTest, DevicesThatAnsweredOnlyTheProbeAreCountedNotCalledAbsent) {
    const std::vector<discovery::DeviceRecord> rows = Devices(2);
    // The first device replied twice: still two devices.
    sightings.replies = {UnansweredSighting(rows[0], VersionFate::Silent),
                         UnansweredSighting(rows[0], VersionFate::Silent),
                         UnansweredSighting(rows[1], VersionFate::Unreadable)};
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "tavro-writer-cli: " +
                             texts::UnansweredVersionText(2, 0, 0, "tv0", "198.18.0.1", kEnglish) +
                             "\n");
}

TEST_F(SearchNoticeTest, ALocalShortageIsNamedAndFailsTheSearch) {
    const std::vector<discovery::DeviceRecord> rows = Devices(16);
    for (const auto& row : rows) {
        sightings.replies.push_back(
            UnansweredSighting(row, VersionFate::LocalFailure, net::kErrorTooManySockets));
    }
    EXPECT_EQ(Run({"search"}), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "tavro-writer-cli: " +
                             texts::UnansweredVersionText(16, 16, net::kErrorTooManySockets, "tv0",
                                                          "198.18.0.1", kEnglish) +
                             "\n");

    // Some listed, the rest not asked: the list is shown, the shortage told, the run failed.
    sightings.replies[0] = AnsweredSighting(rows[0]);
    EXPECT_EQ(Run({"search", "--json"}), 1);
    EXPECT_NE(out.str().find("\"address\":\"198.18.1.20\""), std::string::npos);
    EXPECT_EQ(err.str(), "tavro-writer-cli: " +
                             texts::UnaskedDevicesText(15, net::kErrorTooManySockets, kEnglish) +
                             "\n");
}

TEST_F(SearchNoticeTest, ASearchThatCouldNotStartSaysWhy) {
    sightings.error = net::kErrorTooManySockets;
    EXPECT_EQ(Run({"search"}), 1);
    EXPECT_EQ(err.str(), "tavro-writer-cli: the search from 198.18.0.1 failed: " +
                             texts::LocalErrorText(net::kErrorTooManySockets, kEnglish) + "\n");
}

TEST_F(SearchNoticeTest, ASearchEndedByItsBoundOrPastWhatItKeepsIsToldEvenWithNothingListed) {
    sightings.endedAtBound = true;
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(out.str(), "");
    discovery::SearchOutcome bound(0);
    bound.endedAtBound = true;
    EXPECT_EQ(err.str(), "tavro-writer-cli: " + texts::SearchNoticeText(bound, kEnglish) + "\n");

    sightings.endedAtBound = false;
    sightings.leftOut = 7;
    sightings.replies.push_back(AnsweredSighting(Devices(1)[0]));
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(err.str(),
              "tavro-writer-cli: " + texts::RepliesLeftOutText(7, 4096, kEnglish) + "\n");
}

TEST_F(SearchNoticeTest, AnOrdinarySearchSaysNothingOnStderr) {
    sightings.replies.push_back(AnsweredSighting(Devices(1)[0]));
    EXPECT_EQ(Run({"search"}), 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(Run({"search", "--json"}), 0);
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace tavro::cli
