#include "discovery/fill_device_row.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace tavro::discovery {

namespace {

constexpr std::size_t kMacOffset = 24;

}  // namespace

void FillDeviceRow(std::span<const char> reply, const net::Endpoint& sender, DeviceRecord& row) {
    // A short reply reads as zeros where its bytes are missing.
    std::array<char, kDeviceReplySize> area{};
    std::copy_n(reply.begin(), std::min(reply.size(), area.size()), area.begin());
    const auto byte = [&area](std::size_t offset) {
        return static_cast<std::uint8_t>(area[offset]);
    };

    row.sender = sender;
    for (std::size_t i = 0; i < row.macAddress.size(); ++i) {
        row.macAddress[i] = byte(kMacOffset + i);
    }
    const std::string text = sender.address.ToString();
    std::memset(row.addressText, 0, sizeof row.addressText);
    std::memcpy(row.addressText, text.data(), std::min(text.size(), sizeof row.addressText - 1));
    row.reply5High = byte(5) >> 4;
    row.reply6High = byte(6) >> 4;
    row.reply8 = byte(8);
    row.reply9 = byte(9);
    // A reused row must not show its previous occupant's versions.
    row.sketchVersion = 0;
    row.textVersion = 0;
}

}  // namespace tavro::discovery
