#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "interfaces/interface_facts.h"
#include "net/socket.h"

// Interfaces and devices that exist only in a test's memory: front ends are exercised with
// them without a byte on any network.
namespace tavro::test {

inline net::Ipv4Address Ipv4(const char* text) {
    return net::Ipv4Address::Parse(text).value_or(net::kAnyAddress);
}

struct MadeUpInterface {
    std::uint32_t index = 0;
    std::string description;
    std::string name;
    std::vector<const char*> addresses;  // each a /24
};

// Connected interfaces with a hardware address, in the given order, addresses in order.
inline interfaces::InterfaceFacts MadeUpFacts(const std::vector<MadeUpInterface>& interfaces) {
    interfaces::InterfaceFacts facts;
    facts.interfaces.emplace();
    facts.addresses.emplace();
    facts.adapters.emplace();
    for (const MadeUpInterface& made : interfaces) {
        facts.interfaces->push_back({.index = made.index,
                                     .operStatus = 5,
                                     .physicalAddressLength = 6,
                                     .speed = 1000000000,
                                     .description = made.description});
        for (const char* address : made.addresses) {
            facts.addresses->push_back({.address = Ipv4(address),
                                        .interfaceIndex = made.index,
                                        .mask = Ipv4("255.255.255.0")});
        }
        facts.adapters->push_back({.ipv4InterfaceIndex = made.index, .friendlyName = made.name});
    }
    return facts;
}

// A device as a search leaves it in its row.
inline discovery::DeviceRecord MadeUpDevice(const char* address, std::uint8_t lastMacByte,
                                            std::uint32_t sketchVersion,
                                            std::uint32_t textVersion = 0) {
    discovery::DeviceRecord row;
    row.sender.address = Ipv4(address);
    std::strncpy(row.addressText, address, sizeof row.addressText - 1);
    row.macAddress = {0x02, 0x00, 0x5E, 0x0A, 0x0B, lastMacByte};
    row.sketchVersion = sketchVersion;
    row.textVersion = textVersion;
    return row;
}

}  // namespace tavro::test
