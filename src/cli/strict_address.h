#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/ipv4_address.h"

namespace tavro::cli {

// A device address as the command line takes it, or why it was refused.
struct DeviceAddressReading {
    net::Ipv4Address address;  // when accepted
    std::string refusal;       // empty when accepted
    bool accepted() const { return refusal.empty(); }
};

// Reads exactly four decimal numbers 0 to 255 between dots, without signs, spaces or leading
// zeros (a lone 0 is a number), and takes only a unicast address: not 0.0.0.0, not
// 255.255.255.255, not multicast (224.0.0.0/4). The looser readings of inet_addr (octal for a
// leading zero, hexadecimal, fewer than four parts, one large number) would send a firmware
// image to some other address than the one the user meant.
DeviceAddressReading ReadDeviceAddress(std::string_view text);

// Why a unicast address is no device a write from the local address (on a subnet of
// prefixLength bits) may go to: a loopback address (127.0.0.0/8), the local address itself, or
// the network or broadcast address of the local subnet (which a /31 or /32 has not). Empty when
// it may be a device.
std::string NotADeviceFrom(net::Ipv4Address device, net::Ipv4Address local, int prefixLength);

}  // namespace tavro::cli
