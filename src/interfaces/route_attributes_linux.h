#pragma once

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace tavro::interfaces {

// Hands each attribute that follows the family header of one rtnetlink message to
// visit(type, payload). A malformed attribute ends the walk; nothing is read past the message.
template <typename Visit>
void ForEachRouteAttribute(const std::vector<unsigned char>& message, std::size_t familyHeaderSize,
                           Visit&& visit) {
    nlmsghdr header{};
    if (message.size() < sizeof header) return;
    std::memcpy(&header, message.data(), sizeof header);
    const std::size_t end = std::min<std::size_t>(header.nlmsg_len, message.size());
    std::size_t offset = NLMSG_HDRLEN + NLMSG_ALIGN(familyHeaderSize);
    while (offset + sizeof(rtattr) <= end) {
        rtattr attribute{};
        std::memcpy(&attribute, message.data() + offset, sizeof attribute);
        if (attribute.rta_len < sizeof attribute || offset + attribute.rta_len > end) return;
        const std::span<const unsigned char> payload(message.data() + offset + RTA_LENGTH(0),
                                                     attribute.rta_len - RTA_LENGTH(0));
        visit(static_cast<std::uint16_t>(attribute.rta_type & NLA_TYPE_MASK), payload);
        offset += RTA_ALIGN(attribute.rta_len);
    }
}

// The family header (ifinfomsg, ifaddrmsg, ...) of a message; false when it is too short.
template <typename Header>
bool ReadFamilyHeader(const std::vector<unsigned char>& message, Header& out) {
    if (message.size() < NLMSG_HDRLEN + sizeof out) return false;
    std::memcpy(&out, message.data() + NLMSG_HDRLEN, sizeof out);
    return true;
}

}  // namespace tavro::interfaces
