#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/ipv4_address.h"

namespace tavro::interfaces {

// The operational status of an interface, numbered as IP Helper numbers it.
inline constexpr std::uint32_t kOperStatusNotPresent = 0;
inline constexpr std::uint32_t kOperStatusDisconnected = 2;
inline constexpr std::uint32_t kOperStatusConnecting = 3;
inline constexpr std::uint32_t kOperStatusConnected = 4;
inline constexpr std::uint32_t kOperStatusOperational = 5;

// What the operating system says about its interfaces, in the terms the selection rules use.
// A list that could not be read is nullopt.
struct InterfaceRow {
    std::uint32_t index = 0;
    std::uint32_t operStatus = 0;  // 0 not present .. 5 operational, as IP Helper numbers them
    std::uint32_t physicalAddressLength = 0;
    std::uint32_t speed = 0;  // bit/s, 0 when unknown
    std::string description;
};

struct AddressRow {
    net::Ipv4Address address;
    std::uint32_t interfaceIndex = 0;
    net::Ipv4Address mask;
};

struct AdapterRow {
    std::uint32_t ipv4InterfaceIndex = 0;  // 0 when the adapter has no IPv4
    std::string friendlyName;
};

struct InterfaceFacts {
    std::optional<std::vector<InterfaceRow>> interfaces;
    std::optional<std::vector<AddressRow>> addresses;
    std::optional<std::vector<AdapterRow>> adapters;
    std::string adapterError;  // why the adapter list could not be read, when it could not
};

}  // namespace tavro::interfaces
