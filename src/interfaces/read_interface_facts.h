#pragma once

#include "interfaces/interface_facts.h"

namespace tavro::interfaces {

// Asks the kernel, through sockets made on the calling thread, about the interfaces of the
// network namespace that thread is in. A list that cannot be read is left out (nullopt).
InterfaceFacts ReadInterfaceFacts();

}  // namespace tavro::interfaces
