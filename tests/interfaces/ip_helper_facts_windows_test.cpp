// The selection rules over tables laid out as the IP Helper gives them: the interface table,
// the address table with its network-order addresses, and the adapter list with its UTF-16
// friendly names.

#include "interfaces/ip_helper_facts_windows.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "interfaces/build_interface_table.h"
#include "interfaces/interface_line.h"

namespace tavro::interfaces {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;

constexpr DWORD kGigabit = 1'000'000'000;
constexpr DWORD kVirtualAdapterSpeed = 0x40000000;

// A table as the system lays it out: the row count, then the rows one after another.
template <typename Table, typename Row>
class MadeUpTable {
public:
    explicit MadeUpTable(const std::vector<Row>& rows)
        : bytes_(new unsigned char[offsetof(Table, table) + (rows.size() + 1) * sizeof(Row)]()) {
        table()->dwNumEntries = static_cast<DWORD>(rows.size());
        std::memcpy(bytes_.get() + offsetof(Table, table), rows.data(), rows.size() * sizeof(Row));
    }
    const Table* get() const { return reinterpret_cast<const Table*>(bytes_.get()); }

private:
    Table* table() { return reinterpret_cast<Table*>(bytes_.get()); }
    std::unique_ptr<unsigned char[]> bytes_;
};

using InterfaceTableBlock = MadeUpTable<MIB_IFTABLE, MIB_IFROW>;
using AddressTableBlock = MadeUpTable<MIB_IPADDRTABLE, MIB_IPADDRROW>;

MIB_IFROW IfRow(DWORD index, DWORD operStatus, const char* description,
                DWORD physicalAddressLength = 6, DWORD speed = kGigabit) {
    MIB_IFROW row{};
    row.dwIndex = index;
    row.dwOperStatus = operStatus;
    row.dwPhysAddrLen = physicalAddressLength;
    row.dwSpeed = speed;
    // The length the system gives counts the terminating NUL.
    row.dwDescrLen = static_cast<DWORD>(std::strlen(description) + 1);
    std::memcpy(row.bDescr, description, row.dwDescrLen);
    return row;
}

MIB_IPADDRROW AddrRow(const char* address, DWORD index, const char* mask = "255.255.255.0") {
    MIB_IPADDRROW row{};
    row.dwAddr = ::inet_addr(address);  // Winsock's own reading, in network order
    row.dwIndex = index;
    row.dwMask = ::inet_addr(mask);
    return row;
}

// The adapter list: linked entries, each with its IPv4 interface index and friendly name.
class AdapterList {
public:
    AdapterList() = default;
    // The entries point at each other and at their names: a copy would point into the original.
    AdapterList(const AdapterList&) = delete;
    AdapterList& operator=(const AdapterList&) = delete;

    AdapterList& Add(IF_INDEX ipv4Index, const wchar_t* friendlyName) {
        names_.emplace_back(friendlyName);
        IP_ADAPTER_ADDRESSES& adapter = adapters_.emplace_back();
        std::memset(&adapter, 0, sizeof adapter);
        adapter.Length = sizeof adapter;
        adapter.IfIndex = ipv4Index;
        adapter.FriendlyName = names_.back().data();
        if (adapters_.size() > 1) adapters_[adapters_.size() - 2].Next = &adapter;
        return *this;
    }
    const IP_ADAPTER_ADDRESSES* first() const {
        return adapters_.empty() ? nullptr : &adapters_[0];
    }

private:
    std::deque<IP_ADAPTER_ADDRESSES> adapters_;  // a deque keeps the entries where they are
    std::deque<std::wstring> names_;
};

net::Ipv4Address Ip(const char* text) { return *net::Ipv4Address::ParseDottedQuad(text); }

// An office PC: loopback, a wired adapter with two addresses, Wi-Fi that is down, Bluetooth
// without IPv4, a virtual adapter, and a USB adapter whose index lies above the row count.
struct OfficePc {
    InterfaceTableBlock interfaces{{
        IfRow(1, 5, "Software Loopback Interface 1", 0, kVirtualAdapterSpeed),
        IfRow(2, 5, "Intel(R) Ethernet Connection I219-V"),
        IfRow(3, 2, "Intel(R) Wi-Fi 6 AX201 160MHz"),
        IfRow(4, 4, "Bluetooth Device (Personal Area Network)"),
        IfRow(5, 5, "Hyper-V Virtual Ethernet Adapter", 6, kVirtualAdapterSpeed),
        IfRow(7, 5, "Realtek USB GbE Family Controller"),
    }};
    AddressTableBlock addresses{{
        AddrRow("127.0.0.1", 1, "255.0.0.0"),
        AddrRow("198.18.0.30", 3),
        AddrRow("198.18.0.2", 2),
        AddrRow("198.18.0.50", 5, "255.255.240.0"),
        AddrRow("198.18.0.7", 7),
        AddrRow("198.18.0.3", 2, "255.255.0.0"),
    }};
    AdapterList adapters;

    OfficePc() {
        adapters.Add(2, L"イーサネット")
            .Add(3, L"Wi-Fi")
            .Add(0, L"Bluetooth ネットワーク接続")
            .Add(5, L"vEthernet (Default Switch)")
            .Add(7, L"イーサネット 2 \U0001F50C")
            .Add(1, L"Loopback Pseudo-Interface 1");
    }

    InterfaceFacts Facts() const {
        return FactsFromIpHelperTables(interfaces.get(), addresses.get(), adapters.first());
    }
};

struct Built {
    std::unique_ptr<InterfaceTable> table = std::make_unique<InterfaceTable>();
    InterfaceBuildResult result;
};

Built Build(const InterfaceFacts& facts) {
    Built built;
    built.result = BuildInterfaceTable(facts, *built.table);
    return built;
}

TEST(IpHelperFacts, TheTablesReadAsTheSelectionRulesNeedThem) {
    const OfficePc pc;
    const InterfaceFacts facts = pc.Facts();

    // Every row under its own index: 7 too, though the table holds only six rows.
    ASSERT_TRUE(facts.interfaces.has_value());
    EXPECT_THAT(*facts.interfaces,
                ElementsAre(Field(&InterfaceRow::index, 1u), Field(&InterfaceRow::index, 2u),
                            Field(&InterfaceRow::index, 3u), Field(&InterfaceRow::index, 4u),
                            Field(&InterfaceRow::index, 5u), Field(&InterfaceRow::index, 7u)));
    const InterfaceRow& wired = (*facts.interfaces)[1];
    EXPECT_EQ(wired.operStatus, 5u);
    EXPECT_EQ(wired.physicalAddressLength, 6u);
    EXPECT_EQ(wired.speed, kGigabit);
    EXPECT_EQ(wired.description, "Intel(R) Ethernet Connection I219-V");

    // Every address row, in the table's order, unsorted.
    ASSERT_TRUE(facts.addresses.has_value());
    ASSERT_EQ(facts.addresses->size(), 6u);
    EXPECT_EQ((*facts.addresses)[0].address, net::kLoopbackAddress);
    EXPECT_EQ((*facts.addresses)[0].mask, Ip("255.0.0.0"));
    EXPECT_EQ((*facts.addresses)[3].address, Ip("198.18.0.50"));
    EXPECT_EQ((*facts.addresses)[3].interfaceIndex, 5u);
    EXPECT_EQ((*facts.addresses)[3].mask, Ip("255.255.240.0"));

    // Every adapter, the one without IPv4 included; names in UTF-8, a surrogate pair as one
    // four-byte character.
    ASSERT_TRUE(facts.adapters.has_value());
    ASSERT_EQ(facts.adapters->size(), 6u);
    EXPECT_EQ((*facts.adapters)[0].friendlyName, "イーサネット");
    EXPECT_EQ((*facts.adapters)[2].ipv4InterfaceIndex, 0u);
    EXPECT_EQ((*facts.adapters)[2].friendlyName, "Bluetooth ネットワーク接続");
    EXPECT_EQ((*facts.adapters)[4].friendlyName, "イーサネット 2 \xF0\x9F\x94\x8C");
}

TEST(IpHelperFacts, OnlyTheAddressesOfAConnectedPhysicalInterfaceAreListed) {
    const OfficePc pc;
    const Built built = Build(pc.Facts());

    // Not loopback, not the Wi-Fi that is down, not the virtual adapter: the two addresses of
    // the wired adapter and the USB adapter's, in the address table's order, each with its own
    // mask. The USB adapter's index (7) lies above the row count (6); it is listed all the same.
    ASSERT_TRUE(built.result.adapterListRead) << built.result.reason;
    ASSERT_EQ(built.table->count, 3);
    const LocalInterface& first = built.table->records[0];
    const LocalInterface& usb = built.table->records[1];
    const LocalInterface& second = built.table->records[2];
    EXPECT_EQ(first.interfaceIndex, 2u);
    EXPECT_EQ(first.address, Ip("198.18.0.2"));
    EXPECT_EQ(first.mask, Ip("255.255.255.0"));
    EXPECT_STREQ(first.description, "Intel(R) Ethernet Connection I219-V");
    EXPECT_EQ(second.address, Ip("198.18.0.3"));
    EXPECT_EQ(second.mask, Ip("255.255.0.0"));
    EXPECT_EQ(InterfaceLine(first), "198.18.0.2 (イーサネット)");
    EXPECT_EQ(InterfaceLine(second), "198.18.0.3 (イーサネット)");
    EXPECT_EQ(usb.interfaceIndex, 7u);
    EXPECT_EQ(InterfaceLine(usb), "198.18.0.7 (イーサネット 2 \xF0\x9F\x94\x8C)");
}

TEST(IpHelperFacts, OnlyConnectedAndOperationalStatesQualify) {
    for (DWORD status = 0; status <= 6; ++status) {
        const InterfaceTableBlock interfaces({IfRow(1, status, "Intel(R) Ethernet")});
        const AddressTableBlock addresses({AddrRow("198.18.0.2", 1)});
        AdapterList adapters;
        adapters.Add(1, L"イーサネット");
        const Built built =
            Build(FactsFromIpHelperTables(interfaces.get(), addresses.get(), adapters.first()));
        EXPECT_EQ(built.table->count, status == 4 || status == 5 ? 1 : 0) << "status " << status;
    }
}

TEST(IpHelperFacts, AnAddressWithoutAnAdapterEntryKeepsAnEmptyName) {
    const InterfaceTableBlock interfaces({IfRow(1, 5, "Intel(R) Ethernet")});
    const AddressTableBlock addresses({AddrRow("198.18.0.2", 1)});
    AdapterList adapters;
    adapters.Add(0, L"Teredo Tunneling Pseudo-Interface");
    const Built built =
        Build(FactsFromIpHelperTables(interfaces.get(), addresses.get(), adapters.first()));
    ASSERT_EQ(built.table->count, 1);
    EXPECT_EQ(InterfaceLine(built.table->records[0]), "198.18.0.2 ()");
}

TEST(IpHelperFacts, UnreadableTablesListNothingAndAnUnreadableAdapterListFails) {
    const OfficePc pc;
    const Built noInterfaces =
        Build(FactsFromIpHelperTables(nullptr, pc.addresses.get(), pc.adapters.first()));
    EXPECT_TRUE(noInterfaces.result.adapterListRead);
    EXPECT_EQ(noInterfaces.table->count, 0);

    const Built noAddresses =
        Build(FactsFromIpHelperTables(pc.interfaces.get(), nullptr, pc.adapters.first()));
    EXPECT_TRUE(noAddresses.result.adapterListRead);
    EXPECT_EQ(noAddresses.table->count, 0);

    const InterfaceFacts noAdapters =
        FactsFromIpHelperTables(pc.interfaces.get(), pc.addresses.get(), nullptr);
    EXPECT_FALSE(noAdapters.adapters.has_value());
    EXPECT_FALSE(Build(noAdapters).result.adapterListRead);
}

TEST(IpHelperFacts, AnAdapterWithAnEmptyFriendlyNameFailsTheBuildEvenWithoutIpv4) {
    OfficePc pc;
    pc.adapters.Add(0, L"");
    const Built built = Build(pc.Facts());
    EXPECT_FALSE(built.result.adapterListRead);
    EXPECT_THAT(built.result.reason, ::testing::HasSubstr("empty friendly name"));
}

}  // namespace
}  // namespace tavro::interfaces
