#include "interfaces/link_terms_linux.h"

#include <linux/ethtool.h>
#include <linux/if.h>

#include <algorithm>

#include "interfaces/interface_facts.h"

namespace tavro::interfaces {
namespace {}  // namespace

std::uint32_t OperStatusOf(std::optional<std::uint8_t> operState, unsigned int linkFlags) {
    // Drivers that do not track their carrier leave the state unknown; whether the link
    // runs is then the only word on it.
    const bool running = (linkFlags & (IFF_RUNNING | IFF_LOWER_UP)) != 0;
    switch (operState.value_or(IF_OPER_UNKNOWN)) {
        case IF_OPER_UP:
            return kOperStatusOperational;
        case IF_OPER_UNKNOWN:
            return running ? kOperStatusOperational : kOperStatusDisconnected;
        case IF_OPER_DORMANT:
        case IF_OPER_TESTING:
            return kOperStatusConnecting;
        case IF_OPER_DOWN:
        case IF_OPER_LOWERLAYERDOWN:
            return kOperStatusDisconnected;
        default:
            return kOperStatusNotPresent;
    }
}

std::uint32_t HardwareAddressLengthOf(std::span<const unsigned char> address) {
    const bool allZero =
        std::all_of(address.begin(), address.end(), [](unsigned char b) { return b == 0; });
    return allZero ? 0 : static_cast<std::uint32_t>(address.size());
}

std::uint32_t SpeedOf(std::optional<std::uint32_t> megabitsPerSecond) {
    if (!megabitsPerSecond || *megabitsPerSecond == static_cast<std::uint32_t>(SPEED_UNKNOWN)) {
        return 0;
    }
    const std::uint64_t bits = std::uint64_t{*megabitsPerSecond} * 1'000'000u;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(bits, 0xFFFFFFFFu));
}

}  // namespace tavro::interfaces
