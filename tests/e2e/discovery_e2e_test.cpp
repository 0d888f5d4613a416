// Searches against simulated devices in a private test network.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_network_test.h"
#include "discovery/device_table.h"
#include "discovery/discover_devices.h"

namespace tavro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::UnorderedElementsAre;
using Clock = std::chrono::steady_clock;

class DiscoveryTest : public DeviceNetworkTest {
protected:
    // Runs one search and returns the lines of the counted rows.
    std::vector<std::string> Search(int expectedCount) {
        const int count =
            discovery::DiscoverDevices(table_, *net::Ipv4Address::Parse(kToolAddress));
        EXPECT_EQ(count, expectedCount);
        std::vector<std::string> lines;
        for (int i = 0; i < count && i < discovery::DeviceTable::kCapacity; ++i) {
            lines.push_back(discovery::DeviceLine(table_.rows[i]));
        }
        return lines;
    }
    const discovery::DeviceRecord* RowOf(const std::string& address) {
        for (int i = 0; i < table_.deviceCount; ++i) {
            if (table_.rows[i].addressText == address) return &table_.rows[i];
        }
        return nullptr;
    }
    discovery::DeviceTable table_;
};

TEST_F(DiscoveryTest, ListsEveryDeviceWithItsAddressHardwareAddressAndVersion) {
    START_DEVICES(
        {"198.18.0.10", "198.18.0.11", "198.18.0.12"},
        {"198.18.0.10,mac=02-00-5E-0A-0B-0C,sketch=105,text=3", "198.18.0.11,sketch=91,text=7",
         "198.18.0.12,mac=0A-1B-2C-3D-4E-5F,sketch=12345"});

    EXPECT_THAT(Search(3), UnorderedElementsAre("198.18.0.10 / 02-00-5E-0A-0B-0C / ver. 1.05",
                                                "198.18.0.11 / 02-00-5E-12-00-0B / ver. 0.91",
                                                "198.18.0.12 / 0A-1B-2C-3D-4E-5F / ver. 123.45"));
    const discovery::DeviceRecord* row = RowOf("198.18.0.11");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->textVersion, 7u);
    EXPECT_EQ(row->reply5High, 0x1);  // the simulator sends 0x12, 0x34, 0x01, 0x02
    EXPECT_EQ(row->reply6High, 0x3);
    EXPECT_EQ(row->reply8, 0x01);
    EXPECT_EQ(row->reply9, 0x02);

    // On the wire: one probe of exactly "TV", one request of exactly "VER\n" and its NUL.
    EXPECT_THAT(sim().Events("*", "probe"), SizeIs(1));
    EXPECT_THAT(sim().Events("*", "unexpected-datagram"), IsEmpty());
    for (const char* device : {"198.18.0.10", "198.18.0.11", "198.18.0.12"}) {
        EXPECT_THAT(sim().Events(device, "version-request"), ElementsAre("\"VER\\n\\0\""))
            << device;
    }
}

TEST_F(DiscoveryTest, DeviceReplyingTwiceIsListedTwice) {
    START_DEVICES({"198.18.0.10"}, {"198.18.0.10,replies=2,sketch=200"});

    EXPECT_THAT(Search(2), ElementsAre("198.18.0.10 / 02-00-5E-12-00-0A / ver. 2.00",
                                       "198.18.0.10 / 02-00-5E-12-00-0A / ver. 2.00"));
    EXPECT_THAT(sim().Events("198.18.0.10", "version-served"), SizeIs(2));
}

TEST_F(DiscoveryTest, ReplyLongerThanThirtyBytesIsDroppedAndThirtyBytesAreUsed) {
    START_DEVICES({"198.18.0.10", "198.18.0.11", "198.18.0.12"},
                  {"198.18.0.10,reply-length=31", "198.18.0.11,reply-length=30",
                   "198.18.0.12,reply-length=20,sketch=300"});

    // The short reply lacks the hardware address; its missing bytes read as zero.
    EXPECT_THAT(Search(2), UnorderedElementsAre("198.18.0.11 / 02-00-5E-12-00-0B / ver. 1.05",
                                                "198.18.0.12 / 00-00-00-00-00-00 / ver. 3.00"));
    EXPECT_THAT(sim().Events("198.18.0.10", "reply-sent"), SizeIs(1));
    EXPECT_THAT(sim().Events("198.18.0.10", "version-connection"), IsEmpty());
}

TEST_F(DiscoveryTest, DeviceWithBrokenVersionAnswerIsNotListed) {
    START_DEVICES({"198.18.0.10", "198.18.0.11", "198.18.0.12", "198.18.0.13"},
                  {"198.18.0.10,version-answer=SKETCH VER : 1\\nTEXT VER : 2\\n",
                   "198.18.0.11,version-answer=SKETCH VER : 1\\r\\n", "198.18.0.12,version=close",
                   "198.18.0.13,sketch=150"});

    const auto start = Clock::now();
    EXPECT_THAT(Search(1), ElementsAre("198.18.0.13 / 02-00-5E-12-00-0D / ver. 1.50"));
    EXPECT_LT(SecondsSince(start), 6.0);  // no wait ran to its bound
    EXPECT_THAT(sim().Events("198.18.0.10", "version-served"), SizeIs(1));
    EXPECT_THAT(sim().Events("198.18.0.11", "version-served"), SizeIs(1));
    EXPECT_THAT(sim().Events("198.18.0.12", "version-closed"), SizeIs(1));
}

TEST_F(DiscoveryTest, SilentVersionServerCostsItsBoundAndIsNotListed) {
    START_DEVICES({"198.18.0.10", "198.18.0.11"}, {"198.18.0.10,version=silent", "198.18.0.11"});

    const auto start = Clock::now();
    EXPECT_THAT(Search(1), ElementsAre("198.18.0.11 / 02-00-5E-12-00-0B / ver. 1.05"));
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 3.0);   // the 3000 ms bound, then the quiet second
    EXPECT_LT(seconds, 12.0);  // three times the bound and the quiet second
    EXPECT_THAT(sim().Events("198.18.0.10", "version-silent"), SizeIs(1));
}

TEST_F(DiscoveryTest, RepliesLessThanASecondApartKeepTheSearchRunning) {
    START_DEVICES({"198.18.0.10"}, {"198.18.0.10,replies=3,reply-delay-ms=700"});

    const auto start = Clock::now();
    EXPECT_THAT(Search(3), SizeIs(3));
    EXPECT_GE(SecondsSince(start), 3.0);  // 3 x 700 ms of replies, then the quiet second
}

TEST_F(DiscoveryTest, NoDeviceGivesZeroAboutOneSecondAfterTheProbe) {
    START_DEVICES({"198.18.0.10"}, {"198.18.0.10,no-reply"});

    const auto start = Clock::now();
    EXPECT_THAT(Search(0), IsEmpty());
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 3.0);
    // The probe did go out; the device heard it and kept quiet.
    EXPECT_THAT(sim().Events("198.18.0.10", "probe-ignored"), SizeIs(1));
}

}  // namespace
}  // namespace tavro::test
