#include "interfaces/kernel_addresses_linux.h"

#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

#include "interfaces/netlink_dump_linux.h"
#include "interfaces/route_attributes_linux.h"

namespace tavro::interfaces {
namespace {

net::Ipv4Address MaskOf(unsigned int prefixLength) {
    if (prefixLength == 0) return net::kAnyAddress;
    if (prefixLength >= 32) return net::Ipv4Address::FromHostOrder(0xFFFFFFFFu);
    return net::Ipv4Address::FromHostOrder(0xFFFFFFFFu << (32 - prefixLength));
}

std::optional<AddressRow> ParseAddress(const std::vector<unsigned char>& message) {
    nlmsghdr header{};
    std::memcpy(&header, message.data(), sizeof header);
    ifaddrmsg info{};
    if (header.nlmsg_type != RTM_NEWADDR || !ReadFamilyHeader(message, info) ||
        info.ifa_family != AF_INET) {
        return std::nullopt;
    }
    // On a point-to-point link IFA_ADDRESS is the peer's; IFA_LOCAL is always our own.
    std::optional<std::uint32_t> local;
    std::optional<std::uint32_t> address;
    ForEachRouteAttribute(message, sizeof info,
                          [&](std::uint16_t type, std::span<const unsigned char> payload) {
                              if (payload.size() != 4) return;
                              std::uint32_t value = 0;
                              std::memcpy(&value, payload.data(), 4);
                              if (type == IFA_LOCAL) local = value;
                              if (type == IFA_ADDRESS) address = value;
                          });
    if (!local && !address) return std::nullopt;

    AddressRow row;
    row.address = net::Ipv4Address::FromNetworkOrder(local ? *local : *address);
    row.interfaceIndex = info.ifa_index;
    row.mask = MaskOf(info.ifa_prefixlen);
    return row;
}

}  // namespace

std::optional<std::vector<AddressRow>> ReadKernelIPv4Addresses(std::string& why) {
    ifaddrmsg request{};
    request.ifa_family = AF_INET;
    const auto messages = DumpRoute(RTM_GETADDR, request, why);
    if (!messages) return std::nullopt;

    std::vector<AddressRow> rows;
    for (const auto& message : *messages) {
        if (auto row = ParseAddress(message)) rows.push_back(*row);
    }
    return rows;
}

}  // namespace tavro::interfaces
