#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tavro::interfaces {

// Linux link facts restated in the numbering the selection rules use.

// Operational status 0..5 (5 operational, 3 connecting, 2 disconnected, 0 not present) from
// the kernel's operstate (absent when the kernel did not say) and the link flags.
std::uint32_t OperStatusOf(std::optional<std::uint8_t> operState, unsigned int linkFlags);

// Length of the hardware address; 0 when there is none or it is all zero bytes (loopback).
std::uint32_t HardwareAddressLengthOf(std::span<const unsigned char> address);

// Speed in bit/s from the driver's Mb/s; 0 when unknown, at most 0xFFFFFFFF.
std::uint32_t SpeedOf(std::optional<std::uint32_t> megabitsPerSecond);

}  // namespace tavro::interfaces
