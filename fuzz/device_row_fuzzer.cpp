// A device's reply to the discovery probe, filled into a row of the device table.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "discovery/fill_device_row.h"
#include "fuzz_check.h"

namespace {

using tavro::discovery::DeviceRecord;
using tavro::fuzz::Require;

bool SameRow(const DeviceRecord& a, const DeviceRecord& b) {
    return a.sender.address == b.sender.address && a.sender.port == b.sender.port &&
           a.macAddress == b.macAddress &&
           std::memcmp(a.addressText, b.addressText, sizeof a.addressText) == 0 &&
           a.reply5High == b.reply5High && a.reply6High == b.reply6High && a.reply8 == b.reply8 &&
           a.reply9 == b.reply9 && a.sketchVersion == b.sketchVersion &&
           a.textVersion == b.textVersion;
}

DeviceRecord Filled(std::string_view reply, const tavro::net::Endpoint& sender, DeviceRecord row) {
    tavro::discovery::FillDeviceRow(std::span(reply.data(), reply.size()), sender, row);
    return row;
}

// A row that held another device before.
DeviceRecord UsedRow() {
    DeviceRecord row;
    std::memset(static_cast<void*>(&row), 0xA5, sizeof row);
    return row;
}

}  // namespace

// The input is the sender's address and port (6 bytes), then the reply of at most 30 bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = tavro::fuzz::Bytes(data, size);
    if (bytes.size() < 6 || bytes.size() > 6 + tavro::discovery::kDeviceReplySize) return 0;
    tavro::net::Endpoint sender;
    std::uint32_t address = 0;
    std::memcpy(&address, bytes.data(), 4);
    sender.address = tavro::net::Ipv4Address::FromNetworkOrder(address);
    std::memcpy(&sender.port, bytes.data() + 4, 2);
    const std::string_view reply = bytes.substr(6);

    const DeviceRecord row = Filled(reply, sender, DeviceRecord{});
    Require(SameRow(row, Filled(reply, sender, UsedRow())),
            "a reused row shows nothing of its previous device");
    std::string padded(reply);
    padded.resize(tavro::discovery::kDeviceReplySize, '\0');
    Require(SameRow(row, Filled(padded, sender, DeviceRecord{})),
            "a short reply reads as zeros where its bytes are missing");
    Require(row.addressText[sizeof row.addressText - 1] == '\0', "the address text ends");
    Require(std::string(row.addressText) == sender.address.ToString(),
            "the row shows the sender's address");
    Require(row.sketchVersion == 0 && row.textVersion == 0, "versions wait for the version query");
    return 0;
}
