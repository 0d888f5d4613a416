// the IP Helper headers build on the types of the Winsock headers.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/read_interface_facts.h"

namespace tavro::interfaces {
namespace {

// The IP Helper tables come in one block that the caller sizes: a call without a buffer tells
// the size, a second fills a buffer of that size.
struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    ULONG size = 0;
    template <typename T>
    T* as() {
        return reinterpret_cast<T*>(bytes.get());
    }
};

bool Allocate(Block& block) {
    block.bytes.reset(new (std::nothrow) unsigned char[block.size]);
    return block.bytes != nullptr;
}

// N, the number of rows of the interface table; nullopt when it cannot be read.
std::optional<DWORD> InterfaceCount() {
    Block block;
    if (::GetIfTable(nullptr, &block.size, FALSE) != ERROR_INSUFFICIENT_BUFFER ||
        !Allocate(block) || ::GetIfTable(block.as<MIB_IFTABLE>(), &block.size, FALSE) != NO_ERROR) {
        return std::nullopt;
    }
    return block.as<MIB_IFTABLE>()->dwNumEntries;
}

std::string DescriptionOf(const MIB_IFROW& row) {
    const std::size_t length = std::min<std::size_t>(row.dwDescrLen, sizeof row.bDescr);
    const char* text = reinterpret_cast<const char*>(row.bDescr);
    return std::string(text, ::strnlen(text, length));
}

// Interfaces 1..N, asked one by one: the indices are these counting numbers, not the indices
// the table's rows carry. An index no interface has is left out.
std::optional<std::vector<InterfaceRow>> ReadInterfaces() {
    const std::optional<DWORD> count = InterfaceCount();
    if (!count) return std::nullopt;
    std::vector<InterfaceRow> rows;
    for (DWORD index = 1; index <= *count; ++index) {
        MIB_IFROW entry{};
        entry.dwIndex = index;
        if (::GetIfEntry(&entry) != NO_ERROR) continue;
        rows.push_back(
            {index, entry.dwOperStatus, entry.dwPhysAddrLen, entry.dwSpeed, DescriptionOf(entry)});
    }
    return rows;
}

// The IPv4 address rows in the system's order, unsorted.
std::optional<std::vector<AddressRow>> ReadAddresses() {
    Block block;
    if (::GetIpAddrTable(nullptr, &block.size, FALSE) != ERROR_INSUFFICIENT_BUFFER ||
        !Allocate(block) ||
        ::GetIpAddrTable(block.as<MIB_IPADDRTABLE>(), &block.size, FALSE) != NO_ERROR) {
        return std::nullopt;
    }
    const MIB_IPADDRTABLE& table = *block.as<MIB_IPADDRTABLE>();
    std::vector<AddressRow> rows;
    for (DWORD i = 0; i < table.dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = table.table[i];
        rows.push_back({row.dwAddr, row.dwIndex, row.dwMask});
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

// Every adapter, IPv4 or not, with its IPv4 interface index (0 without IPv4) and its name.
std::optional<std::vector<AdapterRow>> ReadAdapters(std::string& why) {
    Block block;
    // Only names and indexes are read here. Asking for the prefix lists as well makes the call
    // fail with ERROR_INVALID_DATA under Wine in a namespace whose default route has no gateway.
    const ULONG flags = 0;
    const ULONG measured = ::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, nullptr, &block.size);
    if (measured != ERROR_BUFFER_OVERFLOW) {
        why = "GetAdaptersAddresses answered " + std::to_string(measured);
        return std::nullopt;
    }
    if (!Allocate(block)) {
        why = "no memory for the adapter list";
        return std::nullopt;
    }
    const ULONG read = ::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr,
                                              block.as<IP_ADAPTER_ADDRESSES>(), &block.size);
    if (read != NO_ERROR) {
        why = "GetAdaptersAddresses answered " + std::to_string(read);
        return std::nullopt;
    }
    std::vector<AdapterRow> rows;
    for (const IP_ADAPTER_ADDRESSES* adapter = block.as<IP_ADAPTER_ADDRESSES>(); adapter != nullptr;
         adapter = adapter->Next) {
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

InterfaceFacts ReadInterfaceFacts() {
    InterfaceFacts facts;
    facts.interfaces = ReadInterfaces();
    facts.addresses = ReadAddresses();
    facts.adapters = ReadAdapters(facts.adapterError);
    return facts;
}

}  // namespace tavro::interfaces
