// Searches that broken or hostile devices try to stall, in a private test network: every
// wait is bounded in total, and the healthy devices are still listed in the order of their
// replies.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device_network_test.h"
#include "discovery/discover_devices.h"
#include "discovery/sightings.h"
#include "texts/search_texts.h"

namespace tavro::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;
using Clock = std::chrono::steady_clock;

class HostileDiscoveryTest : public DeviceNetworkTest {
protected:
    // Runs one search; the listed addresses in list order, the time it took in seconds.
    std::vector<std::string> Search(const discovery::DiscoveryOptions& options = {}) {
        const auto start = Clock::now();
        const int count = discovery::DiscoverDevices(table_, *net::Ipv4Address::Parse(kToolAddress),
                                                     options, &outcome_);
        seconds_ = SecondsSince(start);
        EXPECT_GE(count, 0);
        std::vector<std::string> addresses;
        for (int i = 0; i < count; ++i) addresses.emplace_back(table_.rows[i].addressText);
        return addresses;
    }
    // The devices in the order the simulator sent their replies, each as often as it replied.
    std::vector<std::string> ReplyOrder() {
        std::vector<std::string> order;
        for (const SimEvent& event : sim().Events()) {
            if (event.kind == "reply-sent") order.push_back(event.device);
        }
        return order;
    }

    discovery::DeviceTable table_;
    discovery::SearchOutcome outcome_;
    double seconds_ = 0;
};

// Sixteen devices whose replies come in the reverse order of their addresses, 50 ms apart.
std::vector<std::string> SixteenDevices(const std::set<int>& silentHosts) {
    std::vector<std::string> devices;
    for (int host = 10; host < 26; ++host) {
        std::string device = "198.18.0." + std::to_string(host) +
                             ",reply-delay-ms=" + std::to_string((25 - host) * 50);
        if (silentHosts.count(host) != 0) device += ",version=silent";
        devices.push_back(device);
    }
    return devices;
}

TEST_F(HostileDiscoveryTest, FiveSilentVersionServersCostOneBoundNotFive) {
    const std::set<int> silent = {11, 14, 17, 20, 23};
    START_DEVICES(TestNetwork::DeviceAddresses(10, 16), SixteenDevices(silent));

    const std::vector<std::string> listed = Search();
    // Queries one after another would take five bounds (15 s) on top of the quiet second.
    EXPECT_LT(seconds_, 0.75 + 3.0 + 1.0 + 2.5);

    std::vector<std::string> healthyInReplyOrder;
    for (const std::string& device : ReplyOrder()) {
        const int host = std::stoi(device.substr(device.rfind('.') + 1));
        if (silent.count(host) == 0) healthyInReplyOrder.push_back(device);
    }
    ASSERT_THAT(healthyInReplyOrder, SizeIs(11));
    EXPECT_THAT(listed, ElementsAreArray(healthyInReplyOrder));
    EXPECT_EQ(listed.front(), "198.18.0.25");  // the replies did come in reverse order
    for (const int host : silent) {
        const std::string address = "198.18.0." + std::to_string(host);
        EXPECT_THAT(listed, Not(Contains(address)));
        EXPECT_THAT(sim().Events(address, "version-silent"), SizeIs(1)) << address;
    }
    EXPECT_EQ(outcome_.unlistedReplies, 0);
    EXPECT_FALSE(outcome_.endedAtBound);
    EXPECT_EQ(texts::SearchNoticeText(outcome_, texts::Language::English), "");
}

TEST_F(HostileDiscoveryTest, TricklingVersionServerIsDroppedAndTheSearchEnds) {
    START_DEVICES({"198.18.0.10", "198.18.0.11"},
                  {"198.18.0.10,version-trickle-ms=2000", "198.18.0.11"});

    EXPECT_THAT(Search(), ElementsAre("198.18.0.11"));
    // The trickle would last about a minute; the query's own bound cuts it off.
    EXPECT_LT(seconds_, 1.0 + 3.0 + 2.5);
    // The device saw its connection go after a byte or two.
    ASSERT_TRUE(sim().WaitForEvent("198.18.0.10", "version-send-failed", std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events("198.18.0.10", "version-served"), IsEmpty());
}

TEST_F(HostileDiscoveryTest, FloodEndsTheSearchAtItsTotalBoundWithEveryGenuineDeviceListed) {
    START_DEVICES(TestNetwork::DeviceAddresses(10, 4),
                  {"198.18.0.10,flood-rate=50,flood-seconds=20", "198.18.0.11,sketch=111",
                   "198.18.0.12,sketch=112", "198.18.0.13,sketch=113"});
    discovery::DiscoveryOptions options;
    options.searchBound = std::chrono::seconds(3);

    const std::vector<std::string> listed = Search(options);
    // The bound, then what is left of the queries already running.
    EXPECT_LT(seconds_, 3.0 + 3.0 + 1.5);
    EXPECT_TRUE(outcome_.endedAtBound);
    EXPECT_THAT(texts::SearchNoticeText(outcome_, texts::Language::English), HasSubstr("bound"));
    for (const char* genuine : {"198.18.0.11", "198.18.0.12", "198.18.0.13"}) {
        EXPECT_EQ(std::count(listed.begin(), listed.end(), genuine), 1) << genuine;
    }
    // The flood's replies are replies like any other: many of them were listed too.
    EXPECT_GT(std::count(listed.begin(), listed.end(), "198.18.0.10"), 10);
    EXPECT_THAT(sim().Events("198.18.0.10", "flood-started"), SizeIs(1));
}

TEST_F(HostileDiscoveryTest, ThreeHundredRepliesListTheFirst256AndTellOfTheOther44) {
    const std::vector<std::string> addresses = TestNetwork::DeviceAddresses(10, 150);
    std::vector<std::string> devices;
    // Spread over half a second, so that no reply is lost to a full receive queue.
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        devices.push_back(addresses[i] +
                          ",replies=2,reply-delay-ms=" + std::to_string(i % 30 * 10));
    }
    START_DEVICES(addresses, devices);

    const std::vector<std::string> listed = Search();
    ASSERT_THAT(ReplyOrder(), SizeIs(300));
    EXPECT_THAT(listed, SizeIs(discovery::DeviceTable::kCapacity));
    EXPECT_EQ(table_.deviceCount, 256);
    EXPECT_EQ(outcome_.unlistedReplies, 44);
    EXPECT_FALSE(outcome_.endedAtBound);
    EXPECT_THAT(texts::SearchNoticeText(outcome_, texts::Language::English),
                HasSubstr("44 more replies were not listed"));
    // Replies sent within the same millisecond may arrive in either order, so only the
    // makeup is checked here: each device at most twice, as often as it replied.
    std::map<std::string, int> times;
    for (const std::string& address : listed) ++times[address];
    for (const auto& [address, count] : times) {
        EXPECT_LE(count, 2) << address;
        EXPECT_THAT(addresses, Contains(address));
    }
}

TEST_F(HostileDiscoveryTest, ASearchOfEveryDeviceKeepsAllThreeHundredReplies) {
    const std::vector<std::string> addresses = TestNetwork::DeviceAddresses(10, 150);
    std::vector<std::string> devices;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        devices.push_back(addresses[i] +
                          ",replies=2,reply-delay-ms=" + std::to_string(i % 30 * 10));
    }
    START_DEVICES(addresses, devices);

    const discovery::Sightings sightings =
        discovery::SearchEveryDevice(*net::Ipv4Address::Parse(kToolAddress));
    ASSERT_EQ(sightings.error, 0);
    ASSERT_THAT(ReplyOrder(), SizeIs(300));
    ASSERT_THAT(sightings.replies, SizeIs(300));
    EXPECT_EQ(sightings.leftOut, 0);
    std::map<std::string, int> times;
    for (const discovery::Sighting& sighting : sightings.replies) {
        EXPECT_TRUE(sighting.listed) << sighting.row.addressText;
        EXPECT_EQ(sighting.version.fate, discovery::VersionFate::Answered);
        EXPECT_EQ(sighting.version.strictVersion, 105u);
        ++times[sighting.row.addressText];
    }
    for (const std::string& address : addresses) EXPECT_EQ(times[address], 2) << address;
}

}  // namespace
}  // namespace tavro::test
