#include "interfaces/build_interface_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "interfaces/interface_line.h"
#include "net/socket.h"

namespace tavro::interfaces {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::uint32_t kOperational = 5;
constexpr std::uint32_t kGigabit = 1'000'000'000;

net::Ipv4Address Ip(const char* text) { return *net::Ipv4Address::Parse(text); }

InterfaceRow Connected(std::uint32_t index, std::string description = "eth driver") {
    return {index, kOperational, 6, kGigabit, std::move(description)};
}

// Facts with readable lists; each test adds what it needs.
struct Facts {
    InterfaceFacts facts{std::vector<InterfaceRow>{}, std::vector<AddressRow>{},
                         std::vector<AdapterRow>{}, ""};

    Facts& Interface(InterfaceRow row) {
        facts.interfaces->push_back(std::move(row));
        return *this;
    }
    Facts& Address(const char* address, std::uint32_t index, const char* mask = "255.255.255.0") {
        facts.addresses->push_back({Ip(address), index, Ip(mask)});
        return *this;
    }
    Facts& Adapter(std::uint32_t index, std::string name) {
        facts.adapters->push_back({index, std::move(name)});
        return *this;
    }
};

// The table is large; keep it off the stack, with guard bytes right behind it.
struct GuardedTable {
    InterfaceTable table;
    unsigned char guard[64];
};

class BuildInterfaceTableTest : public ::testing::Test {
protected:
    BuildInterfaceTableTest() : storage_(std::make_unique<GuardedTable>()) {
        std::memset(storage_->guard, 0xA5, sizeof storage_->guard);
    }

    InterfaceTable& table() { return storage_->table; }

    InterfaceBuildResult Build(const Facts& facts) {
        return BuildInterfaceTable(facts.facts, table());
    }

    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        for (int i = 0; i < table().count; ++i) lines.push_back(InterfaceLine(table().records[i]));
        return lines;
    }

    bool GuardIntact() const {
        for (unsigned char b : storage_->guard) {
            if (b != 0xA5) return false;
        }
        return true;
    }

private:
    std::unique_ptr<GuardedTable> storage_;
};

TEST_F(BuildInterfaceTableTest, OnlyConnectedOrOperationalInterfacesAreAccepted) {
    Facts facts;
    for (std::uint32_t status = 0; status <= 5; ++status) {
        const std::uint32_t index = 10 + status;
        facts.Interface({index, status, 6, kGigabit, "driver"})
            .Address(("198.18.0." + std::to_string(index)).c_str(), index)
            .Adapter(index, "if" + std::to_string(status));
    }

    ASSERT_TRUE(Build(facts).adapterListRead);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.14 (if4)", "198.18.0.15 (if5)"));
}

TEST_F(BuildInterfaceTableTest, InterfaceWithoutHardwareAddressIsRejected) {
    Facts facts;
    facts.Interface({3, kOperational, 0, kGigabit, "no hardware address"})
        .Interface(Connected(4))
        .Address("198.18.0.3", 3)
        .Address("198.18.0.4", 4)
        .Adapter(3, "tun0")
        .Adapter(4, "eth0");

    Build(facts);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.4 (eth0)"));
}

TEST_F(BuildInterfaceTableTest, OnlyTheExactVirtualAdapterSpeedIsRejected) {
    Facts facts;
    facts.Interface({1, kOperational, 6, 0x40000000u, "virtual"})
        .Interface({2, kOperational, 6, 1'000'000'000u, "gigabit"})
        .Interface({3, kOperational, 6, 0x40000001u, "odd"})
        .Interface({4, kOperational, 6, 0, "speed unknown"})
        .Address("198.18.0.1", 1)
        .Address("198.18.0.2", 2)
        .Address("198.18.0.3", 3)
        .Address("198.18.0.4", 4);

    Build(facts);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.2 ()", "198.18.0.3 ()", "198.18.0.4 ()"));
}

TEST_F(BuildInterfaceTableTest, AddressOfAnInterfaceTheSystemDoesNotListIsSkipped) {
    Facts facts;
    facts.Interface(Connected(2)).Address("198.18.0.9", 9).Address("198.18.0.2", 2);

    Build(facts);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.2 ()"));
}

TEST_F(BuildInterfaceTableTest, EveryAddressGivesOneRecordInAddressListOrder) {
    Facts facts;
    facts.Interface(Connected(2, "first driver"))
        .Interface(Connected(3, "second driver"))
        .Address("198.18.0.20", 2, "255.255.255.0")
        .Address("198.18.0.30", 3)
        .Address("198.18.0.21", 2, "255.255.0.0")
        .Adapter(2, "eth0")
        .Adapter(3, "eth1");

    ASSERT_TRUE(Build(facts).adapterListRead);
    EXPECT_THAT(Lines(),
                ElementsAre("198.18.0.20 (eth0)", "198.18.0.30 (eth1)", "198.18.0.21 (eth0)"));
    const LocalInterface& third = table().records[2];
    EXPECT_EQ(third.interfaceIndex, 2u);
    EXPECT_STREQ(third.description, "first driver");
    EXPECT_EQ(third.mask, Ip("255.255.0.0"));
}

TEST_F(BuildInterfaceTableTest, OnlyTheLoopbackAddressItselfIsSkipped) {
    Facts facts;
    facts.Interface(Connected(2))
        .Address("127.0.0.1", 2)
        .Address("127.0.0.2", 2)
        .Address("198.18.0.2", 2)
        .Adapter(2, "eth0");

    Build(facts);
    EXPECT_THAT(Lines(), ElementsAre("127.0.0.2 (eth0)", "198.18.0.2 (eth0)"));
}

TEST_F(BuildInterfaceTableTest, OnlyLoopbackGivesAnEmptyTable) {
    Facts facts;
    facts.Interface(Connected(1, "lo")).Address("127.0.0.1", 1).Adapter(1, "lo");

    EXPECT_TRUE(Build(facts).adapterListRead);
    EXPECT_EQ(table().count, 0);
}

// Interfaces are examined by the index they carry, not by counting 1..N: on Linux indices are
// sparse and the interface that faces the devices often has an index above the count.
TEST_F(BuildInterfaceTableTest, InterfaceWhoseIndexExceedsTheInterfaceCountIsListed) {
    Facts facts;
    for (std::uint32_t index : {1u, 2u, 3u, 4u}) facts.Interface({index, 2, 6, kGigabit, "down"});
    facts.Interface(Connected(7)).Address("198.18.0.7", 7).Adapter(7, "wlan0");

    Build(facts);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.7 (wlan0)"));
}

TEST_F(BuildInterfaceTableTest, InterfaceWithEmptyDescriptionGivesNoRecord) {
    Facts facts;
    facts.Interface(Connected(2, ""))
        .Interface(Connected(3, std::string("\0hidden", 7)))
        .Interface(Connected(4, "driver"))
        .Address("198.18.0.2", 2)
        .Address("198.18.0.3", 3)
        .Address("198.18.0.4", 4);

    Build(facts);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.4 ()"));
}

TEST_F(BuildInterfaceTableTest, FriendlyNamesJoinByIndexAndTheLastAdapterWins) {
    Facts facts;
    facts.Interface(Connected(2))
        .Interface(Connected(3))
        .Address("198.18.0.2", 2)
        .Address("198.18.0.3", 3)
        .Adapter(0, "no IPv4 here")
        .Adapter(2, "first")
        .Adapter(2, "second");

    ASSERT_TRUE(Build(facts).adapterListRead);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.2 (second)", "198.18.0.3 ()"));
}

TEST_F(BuildInterfaceTableTest, AdapterWithEmptyFriendlyNameFailsTheBuild) {
    Facts facts;
    facts.Interface(Connected(2)).Address("198.18.0.2", 2).Adapter(2, "eth0").Adapter(0, "");

    const InterfaceBuildResult result = Build(facts);
    EXPECT_FALSE(result.adapterListRead);
    EXPECT_THAT(result.reason, HasSubstr("empty friendly name"));
}

TEST_F(BuildInterfaceTableTest, UnreadableAdapterListFailsTheBuildWithItsReason) {
    Facts facts;
    facts.Interface(Connected(2)).Address("198.18.0.2", 2);
    facts.facts.adapters.reset();
    facts.facts.adapterError = "netlink refused";

    const InterfaceBuildResult result = Build(facts);
    EXPECT_FALSE(result.adapterListRead);
    EXPECT_THAT(result.reason, HasSubstr("netlink refused"));
}

TEST_F(BuildInterfaceTableTest, FriendlyNameMustLeaveRoomForItsTerminatorInTheConversionBuffer) {
    Facts fits;
    fits.Interface(Connected(2)).Address("198.18.0.2", 2).Adapter(2, std::string(511, 'n'));
    EXPECT_TRUE(Build(fits).adapterListRead);

    Facts tooLong;
    tooLong.Interface(Connected(2)).Address("198.18.0.2", 2).Adapter(2, std::string(512, 'n'));
    const InterfaceBuildResult result = Build(tooLong);
    EXPECT_FALSE(result.adapterListRead);
    EXPECT_THAT(result.reason, HasSubstr("512"));
}

TEST_F(BuildInterfaceTableTest, UnreadableInterfaceOrAddressListLeavesTheTableEmpty) {
    Facts noInterfaces;
    noInterfaces.Interface(Connected(2)).Address("198.18.0.2", 2).Adapter(2, "eth0");
    noInterfaces.facts.interfaces.reset();
    table().count = 3;  // left over from nothing: the build starts from an empty table
    EXPECT_TRUE(Build(noInterfaces).adapterListRead);
    EXPECT_EQ(table().count, 0);

    Facts noAddresses;
    noAddresses.Interface(Connected(2)).Adapter(2, "eth0");
    noAddresses.facts.addresses.reset();
    EXPECT_TRUE(Build(noAddresses).adapterListRead);
    EXPECT_EQ(table().count, 0);
}

TEST_F(BuildInterfaceTableTest, MoreQualifyingAddressesThanTheTableHoldsStopAtItsCapacity) {
    Facts facts;
    facts.Interface(Connected(2)).Adapter(2, "eth0");
    for (int i = 0; i < 300; ++i) {
        const std::string address =
            "198.18." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        facts.Address(address.c_str(), 2);
    }

    ASSERT_TRUE(Build(facts).adapterListRead);
    ASSERT_EQ(table().count, InterfaceTable::kCapacity);
    EXPECT_EQ(InterfaceLine(table().records[0]), "198.18.0.1 (eth0)");
    EXPECT_EQ(InterfaceLine(table().records[255]), "198.18.1.6 (eth0)");
    EXPECT_TRUE(GuardIntact());
}

TEST_F(BuildInterfaceTableTest, WorkingListKeepsTheFirst256AcceptedInterfaces) {
    Facts facts;
    for (std::uint32_t index = 1; index <= 300; ++index) facts.Interface(Connected(index));
    // Interface 257 and later were never accepted; interface 256 was.
    facts.Address("198.18.0.1", 300).Address("198.18.0.2", 257).Address("198.18.0.3", 256);

    Build(facts);
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.3 ()"));
}

TEST_F(BuildInterfaceTableTest, LongTextsAreCutToTheirFields) {
    Facts facts;
    facts.Interface(Connected(2, std::string(300, 'd')))
        .Interface(Connected(3, "driver"))
        .Address("198.18.0.2", 2)
        .Address("198.18.0.3", 3)
        .Adapter(2, std::string(300, 'n'))
        // 254 ASCII bytes and a two-byte character would end mid-character at 255 bytes.
        .Adapter(3, std::string(254, 'a') + "é");

    ASSERT_TRUE(Build(facts).adapterListRead);
    ASSERT_EQ(table().count, 2);
    const LocalInterface& first = table().records[0];
    EXPECT_EQ(std::string(first.description), std::string(255, 'd'));
    EXPECT_EQ(std::string(first.friendlyName), std::string(255, 'n'));
    EXPECT_EQ(first.address, Ip("198.18.0.2"));  // the field after the names is untouched
    EXPECT_EQ(std::string(table().records[1].friendlyName), std::string(254, 'a'));
}

}  // namespace
}  // namespace tavro::interfaces
