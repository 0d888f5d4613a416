#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "net/discovery/discover_devices.h"

namespace tavro {

namespace {

constexpr std::size_t kReplySize = 30;
constexpr std::size_t kMacOffset = 24;

}  // namespace

int ReceiveDeviceReply(net::Socket& socket, DeviceRecord& row) {
    // A short reply reads as zeros where its bytes are missing.
    std::array<char, kReplySize> reply{};
    net::Endpoint from;
    if (!socket.ReceiveFrom(reply, from).ok()) {
        return 0;
    }
    const auto byte = [&reply](std::size_t offset) {
        return static_cast<std::uint8_t>(reply[offset]);
    };

    row.senderAddress = sockaddr_in{};
    row.senderAddress.sin_family = AF_INET;
    row.senderAddress.sin_port = htons(from.port);
    row.senderAddress.sin_addr.s_addr = from.address;
    for (std::size_t i = 0; i < row.macAddress.size(); ++i) {
        row.macAddress[i] = byte(kMacOffset + i);
    }
    const std::string text = net::FormatIPv4(from.address);
    std::memset(row.addressText, 0, sizeof row.addressText);
    std::memcpy(row.addressText, text.data(), std::min(text.size(), sizeof row.addressText - 1));
    row.reply5High = byte(5) >> 4;
    row.reply6High = byte(6) >> 4;
    row.reply8 = byte(8);
    row.reply9 = byte(9);
    // A reused row must not show its previous occupant's versions.
    row.sketchVersion = 0;
    row.textVersion = 0;
    return 1;
}

}  // namespace tavro
