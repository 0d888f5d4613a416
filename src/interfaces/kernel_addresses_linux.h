#pragma once

#include <optional>
#include <string>
#include <vector>

#include "interfaces/interface_facts.h"

namespace tavro::interfaces {

// The IPv4 addresses of the calling thread's network namespace, in the kernel's order;
// nullopt (and why) when they cannot be read.
std::optional<std::vector<AddressRow>> ReadKernelIPv4Addresses(std::string& why);

}  // namespace tavro::interfaces
