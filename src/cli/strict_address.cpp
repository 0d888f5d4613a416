#include "cli/strict_address.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace tavro::cli {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The four parts between the dots, each one or more decimal digits; nullopt otherwise.
std::optional<std::array<std::string_view, 4>> SplitFourNumbers(std::string_view text) {
    std::array<std::string_view, 4> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t dot = i + 1 < parts.size() ? text.find('.') : text.size();
        if (dot == std::string_view::npos) return std::nullopt;
        parts[i] = text.substr(0, dot);
        if (parts[i].empty() || !std::all_of(parts[i].begin(), parts[i].end(), IsDigit)) {
            return std::nullopt;
        }
        text.remove_prefix(std::min(dot + 1, text.size()));
    }
    return parts;
}

// Why a well-formed address is no device's address; empty when it is one.
std::string NotUnicast(net::Ipv4Address address) {
    if (address == net::kAnyAddress) return "0.0.0.0 is no device's address";
    if (address == net::kBroadcastAddress) return "it is the broadcast address";
    if (address.IsMulticast()) return "it is a multicast address";
    return {};
}

}  // namespace

DeviceAddressReading ReadDeviceAddress(std::string_view text) {
    DeviceAddressReading reading;
    const auto parts = SplitFourNumbers(text);
    if (!parts) {
        reading.refusal = "it is not four decimal numbers separated by dots";
        return reading;
    }
    std::uint32_t address = 0;
    for (const std::string_view part : *parts) {
        if (part.size() > 1 && part[0] == '0') {
            reading.refusal = "a number has a leading zero";
            return reading;
        }
        unsigned number = 0;
        for (const char digit : part.substr(0, 4)) number = number * 10 + (digit - '0');
        if (part.size() > 3 || number > 255) {
            reading.refusal = "a number is greater than 255";
            return reading;
        }
        address = (address << 8) | number;
    }
    reading.address = net::Ipv4Address::FromHostOrder(address);
    reading.refusal = NotUnicast(reading.address);
    return reading;
}

std::string NotADeviceFrom(net::Ipv4Address device, net::Ipv4Address local, int prefixLength) {
    if (device.hostOrder() >> 24 == 127) return "it is a loopback address";
    if (device == local) return "it is the address this computer works from";
    if (prefixLength < 1 || prefixLength > 30) return {};
    const std::uint32_t hostBits = ~std::uint32_t{0} >> prefixLength;
    const std::uint32_t network = local.hostOrder() & ~hostBits;
    const std::string subnet =
        net::Ipv4Address::FromHostOrder(network).ToString() + "/" + std::to_string(prefixLength);
    if (device.hostOrder() == network) return "it is the network address of " + subnet;
    if (device.hostOrder() == (network | hostBits))
        return "it is the broadcast address of " + subnet;
    return {};
}

}  // namespace tavro::cli
