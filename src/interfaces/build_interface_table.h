#pragma once

#include <string>

#include "interfaces/interface_facts.h"
#include "interfaces/local_interface.h"

namespace tavro::interfaces {

// Whether the adapter list could be read; when it could not, the process is expected to end
// with status 1 and reason says why (one line, for stderr).
struct InterfaceBuildResult {
    bool adapterListRead = true;
    std::string reason;
};

// Fills the table with the usable local IPv4 addresses the facts describe: one record per
// address of an operational interface with a hardware address, in address-list order, each
// joined with its adapter's friendly name. Unreadable interface or address lists leave the
// table empty; an unreadable adapter list, or an adapter whose friendly name cannot be taken
// (empty, or 512 bytes or more), fails the build.
InterfaceBuildResult BuildInterfaceTable(const InterfaceFacts& facts, InterfaceTable& table);

}  // namespace tavro::interfaces
