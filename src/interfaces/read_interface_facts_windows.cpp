#include <memory>
#include <new>
#include <string>

#include "interfaces/ip_helper_facts_windows.h"
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

// The interface table, unsorted; false when it cannot be measured, allocated or read.
bool FetchInterfaceTable(Block& block) {
    return ::GetIfTable(nullptr, &block.size, FALSE) == ERROR_INSUFFICIENT_BUFFER &&
           Allocate(block) && ::GetIfTable(block.as<MIB_IFTABLE>(), &block.size, FALSE) == NO_ERROR;
}

// The IPv4 address table in the system's order, unsorted; false as above.
bool FetchAddressTable(Block& block) {
    return ::GetIpAddrTable(nullptr, &block.size, FALSE) == ERROR_INSUFFICIENT_BUFFER &&
           Allocate(block) &&
           ::GetIpAddrTable(block.as<MIB_IPADDRTABLE>(), &block.size, FALSE) == NO_ERROR;
}

// Every adapter, IPv4 or not; false with why set when the list cannot be had.
bool FetchAdapterList(Block& block, std::string& why) {
    // Only names and indexes are read, but the prefix lists are asked for as the tool always has.
    // (Wine answers ERROR_INVALID_DATA to that while a default route has no gateway, which is
    // why the test networks give theirs one.)
    const ULONG flags = GAA_FLAG_INCLUDE_PREFIX;
    const ULONG measured = ::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, nullptr, &block.size);
    if (measured != ERROR_BUFFER_OVERFLOW) {
        why = "GetAdaptersAddresses answered " + std::to_string(measured);
        return false;
    }
    if (!Allocate(block)) {
        why = "no memory for the adapter list";
        return false;
    }
    const ULONG read = ::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr,
                                              block.as<IP_ADAPTER_ADDRESSES>(), &block.size);
    if (read != NO_ERROR) {
        why = "GetAdaptersAddresses answered " + std::to_string(read);
        return false;
    }
    return true;
}

}  // namespace

InterfaceFacts ReadInterfaceFacts() {
    Block interfaces;
    Block addresses;
    Block adapters;
    std::string adapterWhy;
    const bool interfacesRead = FetchInterfaceTable(interfaces);
    const bool addressesRead = FetchAddressTable(addresses);
    const bool adaptersRead = FetchAdapterList(adapters, adapterWhy);

    InterfaceFacts facts =
        FactsFromIpHelperTables(interfacesRead ? interfaces.as<MIB_IFTABLE>() : nullptr,
                                addressesRead ? addresses.as<MIB_IPADDRTABLE>() : nullptr,
                                adaptersRead ? adapters.as<IP_ADAPTER_ADDRESSES>() : nullptr);
    if (!adaptersRead) facts.adapterError = adapterWhy;
    return facts;
}

}  // namespace tavro::interfaces
