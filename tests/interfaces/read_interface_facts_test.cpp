#include "interfaces/read_interface_facts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>

#include "interfaces/build_interface_table.h"
#include "interfaces/interface_line.h"
#include "network_namespace.h"

namespace tavro::interfaces {
namespace {

using test::EnterNamespace;
using test::TestNetwork;
using ::testing::ElementsAre;

net::Ipv4Address Ip(const char* text) { return *net::Ipv4Address::Parse(text); }

const AdapterRow* AdapterNamed(const InterfaceFacts& facts, const std::string& name) {
    const auto found =
        std::find_if(facts.adapters->begin(), facts.adapters->end(),
                     [&name](const AdapterRow& adapter) { return adapter.friendlyName == name; });
    return found == facts.adapters->end() ? nullptr : &*found;
}

const InterfaceRow* InterfaceWithIndex(const InterfaceFacts& facts, std::uint32_t index) {
    const auto found =
        std::find_if(facts.interfaces->begin(), facts.interfaces->end(),
                     [index](const InterfaceRow& row) { return row.index == index; });
    return found == facts.interfaces->end() ? nullptr : &*found;
}

std::vector<std::string> LinesOf(const InterfaceTable& table) {
    std::vector<std::string> lines;
    for (int i = 0; i < table.count; ++i) lines.push_back(InterfaceLine(table.records[i]));
    return lines;
}

class ReadInterfaceFactsTest : public ::testing::Test {
protected:
    std::unique_ptr<InterfaceTable> table_ = std::make_unique<InterfaceTable>();
};

TEST_F(ReadInterfaceFactsTest, TheVethInTheNamespaceIsListedWithItsInterfaceName) {
    std::string why;
    auto net = TestNetwork::Create({"198.18.0.10"}, why);
    TAVRO_REQUIRE_NAMESPACES(net, why);
    EnterNamespace inside(net->tool());
    ASSERT_TRUE(inside.ok());

    const InterfaceFacts facts = ReadInterfaceFacts();
    ASSERT_TRUE(facts.interfaces && facts.addresses && facts.adapters) << facts.adapterError;

    const InterfaceBuildResult result = BuildInterfaceTable(facts, *table_);
    ASSERT_TRUE(result.adapterListRead) << result.reason;
    EXPECT_THAT(LinesOf(*table_), ElementsAre("198.18.0.1 (tv0)"));
    ASSERT_EQ(table_->count, 1);
    EXPECT_STREQ(table_->records[0].description, "veth");
    EXPECT_EQ(table_->records[0].mask, Ip("255.255.255.0"));

    const AdapterRow* tv0 = AdapterNamed(facts, "tv0");
    ASSERT_NE(tv0, nullptr);
    EXPECT_EQ(table_->records[0].interfaceIndex, tv0->ipv4InterfaceIndex);
    const InterfaceRow* row = InterfaceWithIndex(facts, tv0->ipv4InterfaceIndex);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->operStatus, 5u);
    EXPECT_EQ(row->physicalAddressLength, 6u);
    // veth reports 10000 Mb/s, more than the 32-bit speed holds.
    EXPECT_EQ(row->speed, 0xFFFFFFFFu);
}

TEST_F(ReadInterfaceFactsTest, LoopbackIsReadButNeverListed) {
    std::string why;
    auto net = TestNetwork::Create({"198.18.0.10"}, why);
    TAVRO_REQUIRE_NAMESPACES(net, why);
    EnterNamespace inside(net->tool());
    ASSERT_TRUE(inside.ok());

    const InterfaceFacts facts = ReadInterfaceFacts();
    ASSERT_TRUE(facts.interfaces && facts.addresses && facts.adapters) << facts.adapterError;
    const AdapterRow* lo = AdapterNamed(facts, "lo");
    ASSERT_NE(lo, nullptr);
    const InterfaceRow* row = InterfaceWithIndex(facts, lo->ipv4InterfaceIndex);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->physicalAddressLength, 0u);
    EXPECT_EQ(row->description, "lo");
    EXPECT_TRUE(std::any_of(facts.addresses->begin(), facts.addresses->end(),
                            [](const AddressRow& a) { return a.address == Ip("127.0.0.1"); }));

    BuildInterfaceTable(facts, *table_);
    for (int i = 0; i < table_->count; ++i) {
        EXPECT_NE(table_->records[i].address, Ip("127.0.0.1"));
        EXPECT_NE(table_->records[i].interfaceIndex, lo->ipv4InterfaceIndex);
    }
}

// A second veth pair inside the tool's namespace: listed only while its link is really up.
TEST_F(ReadInterfaceFactsTest, LinkThatIsNotUpIsNotListed) {
    std::string why;
    auto net = TestNetwork::Create({"198.18.0.10"}, why);
    TAVRO_REQUIRE_NAMESPACES(net, why);
    ASSERT_EQ(net->tool().Run("ip link add tv1 type veth peer name tv2 && "
                              "ip addr add 198.18.0.50/32 dev tv1 && ip link set tv1 up"),
              0);
    EnterNamespace inside(net->tool());
    ASSERT_TRUE(inside.ok());

    // tv1 is up but its peer is not: the kernel calls it lower-layer-down.
    BuildInterfaceTable(ReadInterfaceFacts(), *table_);
    EXPECT_THAT(LinesOf(*table_), ElementsAre("198.18.0.1 (tv0)"));

    ASSERT_EQ(net->tool().Run("ip link set tv2 up"), 0);
    bool listed = false;
    for (int attempt = 0; attempt < 50 && !listed; ++attempt) {
        BuildInterfaceTable(ReadInterfaceFacts(), *table_);
        listed = table_->count == 2;
        if (!listed) ::usleep(100 * 1000);
    }
    EXPECT_THAT(LinesOf(*table_), ElementsAre("198.18.0.1 (tv0)", "198.18.0.50 (tv1)"));
}

TEST_F(ReadInterfaceFactsTest, AThreadOutsideTheNamespaceDoesNotSeeIt) {
    std::string why;
    auto net = TestNetwork::Create({"198.18.0.10"}, why);
    TAVRO_REQUIRE_NAMESPACES(net, why);
    {
        EnterNamespace inside(net->tool());
        ASSERT_TRUE(inside.ok());
        const InterfaceFacts inNamespace = ReadInterfaceFacts();
        ASSERT_TRUE(inNamespace.adapters);
        ASSERT_NE(AdapterNamed(inNamespace, "tv0"), nullptr);
    }
    const InterfaceFacts outside = ReadInterfaceFacts();
    ASSERT_TRUE(outside.adapters && outside.addresses);
    const AdapterRow* tv0 = AdapterNamed(outside, "tv0");
    if (tv0 != nullptr) {
        // Only someone else's tv0 could be here; it does not carry the namespace's address.
        for (const AddressRow& row : *outside.addresses) {
            EXPECT_FALSE(row.interfaceIndex == tv0->ipv4InterfaceIndex &&
                         row.address == Ip("198.18.0.1"));
        }
    }
}

}  // namespace
}  // namespace tavro::interfaces
