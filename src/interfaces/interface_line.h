#pragma once

#include <string>

#include "interfaces/local_interface.h"

namespace tavro::interfaces {

// The interface list line of one record: "198.18.0.1 (tv0)"; an empty friendly name leaves
// the parentheses empty.
std::string InterfaceLine(const LocalInterface& record);

}  // namespace tavro::interfaces
