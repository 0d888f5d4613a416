#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro::interfaces {

// One network link as the kernel describes it.
struct KernelLink {
    std::uint32_t index = 0;
    std::string name;
    unsigned int flags = 0;                 // IFF_* including IFF_LOWER_UP
    std::optional<std::uint8_t> operState;  // IF_OPER_*, when the kernel said
    std::vector<unsigned char> hardwareAddress;
};

// The links of the calling thread's network namespace, in the kernel's order; nullopt (and
// why) when they cannot be read.
std::optional<std::vector<KernelLink>> ReadKernelLinks(std::string& why);

}  // namespace tavro::interfaces
