#include "interfaces/ip_helper_facts_windows.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace tavro::interfaces {
namespace {

std::string DescriptionOf(const MIB_IFROW& row) {
    const std::size_t length = std::min<std::size_t>(row.dwDescrLen, sizeof row.bDescr);
    const char* text = reinterpret_cast<const char*>(row.bDescr);
    return std::string(text, ::strnlen(text, length));
}

// Every interface the table holds, each under the index its row carries. (Asking for the
// counting numbers 1..N instead, N the row count, would pass over interfaces whose indices lie
// above N, as they often do on Windows: a Wi-Fi adapter of index 23 on a machine with 8 rows.)
std::vector<InterfaceRow> InterfacesByTheirOwnIndex(const MIB_IFTABLE& table) {
    std::vector<InterfaceRow> rows;
    for (DWORD i = 0; i < table.dwNumEntries; ++i) {
        const MIB_IFROW& entry = table.table[i];
        rows.push_back({entry.dwIndex, entry.dwOperStatus, entry.dwPhysAddrLen, entry.dwSpeed,
                        DescriptionOf(entry)});
    }
    return rows;
}

// Every address row in the table's order, unsorted: address, interface index, mask.
std::vector<AddressRow> AddressesInTableOrder(const MIB_IPADDRTABLE& table) {
    std::vector<AddressRow> rows;
    for (DWORD i = 0; i < table.dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = table.table[i];
        rows.push_back({net::Ipv4Address::FromNetworkOrder(row.dwAddr), row.dwIndex,
                        net::Ipv4Address::FromNetworkOrder(row.dwMask)});
    }
    return rows;
}

// The friendly name as UTF-8; nullopt when it does not convert. An empty name stays empty:
// the selection rules judge it.
std::optional<std::string> Utf8Of(const wchar_t* name) {
    const int length = name == nullptr ? 0 : static_cast<int>(std::wcslen(name));
    if (length == 0) return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, name, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string text(static_cast<std::size_t>(size), '\0');
    if (::WideCharToMultiByte(CP_UTF8, 0, name, length, text.data(), size, nullptr, nullptr) !=
        size) {
        return std::nullopt;
    }
    return text;
}

// Every adapter in list order, IPv4 or not, with its IPv4 interface index (0 without IPv4) and
// its friendly name. One name that does not convert makes the whole list unreadable.
std::optional<std::vector<AdapterRow>> AdaptersInListOrder(const IP_ADAPTER_ADDRESSES* first,
                                                           std::string& why) {
    std::vector<AdapterRow> rows;
    for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter != nullptr; adapter = adapter->Next) {
        const std::optional<std::string> name = Utf8Of(adapter->FriendlyName);
        if (!name) {
            why = "the friendly name of adapter " + std::to_string(adapter->IfIndex) +
                  " does not convert to UTF-8";
            return std::nullopt;
        }
        rows.push_back({adapter->IfIndex, *name});
    }
    return rows;
}

}  // namespace

InterfaceFacts FactsFromIpHelperTables(const MIB_IFTABLE* interfaceTable,
                                       const MIB_IPADDRTABLE* addressTable,
                                       const IP_ADAPTER_ADDRESSES* adapterList) {
    InterfaceFacts facts;
    if (interfaceTable != nullptr) facts.interfaces = InterfacesByTheirOwnIndex(*interfaceTable);
    if (addressTable != nullptr) facts.addresses = AddressesInTableOrder(*addressTable);
    if (adapterList != nullptr)
        facts.adapters = AdaptersInListOrder(adapterList, facts.adapterError);
    return facts;
}

}  // namespace tavro::interfaces
