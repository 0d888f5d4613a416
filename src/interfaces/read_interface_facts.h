#pragma once

#include "interfaces/interface_facts.h"

namespace tavro::interfaces {

// Asks the system about its interfaces: on Linux the kernel, through sockets made on the calling
// thread, about the network namespace that thread is in; on Windows the IP Helper tables. A list
// that cannot be read is left out (nullopt).
InterfaceFacts ReadInterfaceFacts();

}  // namespace tavro::interfaces
