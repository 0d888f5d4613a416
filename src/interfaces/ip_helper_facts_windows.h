#pragma once

// the IP Helper headers build on the types of the Winsock headers.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on

#include "interfaces/interface_facts.h"

namespace tavro::interfaces {

// The facts the three IP Helper tables hold, as GetIfTable, GetIpAddrTable and
// GetAdaptersAddresses give them; a table that could not be read is nullptr and its list stays
// out (nullopt). Reads the tables only: no call asks the system anything.
InterfaceFacts FactsFromIpHelperTables(const MIB_IFTABLE* interfaceTable,
                                       const MIB_IPADDRTABLE* addressTable,
                                       const IP_ADAPTER_ADDRESSES* adapterList);

}  // namespace tavro::interfaces
