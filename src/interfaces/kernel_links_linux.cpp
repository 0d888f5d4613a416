#include "interfaces/kernel_links_linux.h"

#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

#include "interfaces/netlink_dump_linux.h"
#include "interfaces/route_attributes_linux.h"

namespace tavro::interfaces {
namespace {

std::optional<KernelLink> ParseLink(const std::vector<unsigned char>& message) {
    nlmsghdr header{};
    std::memcpy(&header, message.data(), sizeof header);
    ifinfomsg info{};
    if (header.nlmsg_type != RTM_NEWLINK || !ReadFamilyHeader(message, info)) return std::nullopt;

    KernelLink link;
    link.index = static_cast<std::uint32_t>(info.ifi_index);
    link.flags = info.ifi_flags;
    ForEachRouteAttribute(message, sizeof info,
                          [&link](std::uint16_t type, std::span<const unsigned char> payload) {
                              if (type == IFLA_IFNAME) {
                                  const auto* text = reinterpret_cast<const char*>(payload.data());
                                  link.name.assign(text, ::strnlen(text, payload.size()));
                              } else if (type == IFLA_OPERSTATE && payload.size() >= 1) {
                                  link.operState = payload[0];
                              } else if (type == IFLA_ADDRESS) {
                                  link.hardwareAddress.assign(payload.begin(), payload.end());
                              }
                          });
    return link;
}

}  // namespace

std::optional<std::vector<KernelLink>> ReadKernelLinks(std::string& why) {
    ifinfomsg request{};
    request.ifi_family = AF_UNSPEC;
    const auto messages = DumpRoute(RTM_GETLINK, request, why);
    if (!messages) return std::nullopt;

    std::vector<KernelLink> links;
    for (const auto& message : *messages) {
        if (auto link = ParseLink(message)) links.push_back(std::move(*link));
    }
    return links;
}

}  // namespace tavro::interfaces
