#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::sim {

// How a simulated version server behaves once it has accepted a connection.
enum class VersionMode { Answer, Silent, Close };

// One simulated device: its identity, its answers and the faults it plays on request.
struct DeviceSettings {
    std::string addressText;
    std::uint32_t address = 0;  // network byte order
    std::array<std::uint8_t, 6> mac{};
    std::uint32_t sketchVersion = 105;
    std::uint32_t textVersion = 3;
    std::optional<std::string> password;  // set: the device asks for authentication
    std::string storeDirectory;           // set: a verified image goes to DIR/<address>.bin

    // Discovery.
    int replies = 1;  // 0 plays a device that ignores the probe
    std::size_t replyLength = 30;
    int replyDelayMs = 0;

    // Version query.
    std::optional<std::string> versionAnswer;  // exact bytes instead of the usual two lines
    VersionMode versionMode = VersionMode::Answer;
    int versionDelayMs = 0;

    // Upload.
    int ignoreInvitations = 0;
    std::optional<std::string> invitationAnswer;  // sent instead of "OK"/"AUTH ..."; ends there
    bool refuseAuth = false;
    bool noVerdict = false;
    bool noConnect = false;
    std::optional<std::uint64_t> closeAfter;  // abort the data connection after so many bytes
    int ackDelayMs = 0;
    bool noFinal = false;
    std::string connectFromText;  // empty: the device's own address
    std::uint32_t connectFrom = 0;
};

// The hardware address a device gets when none is given: 02-00-5E and the address's last
// three bytes, so every simulated device on one network has its own.
std::array<std::uint8_t, 6> DefaultMac(std::uint32_t address);

// Reads "ADDR[,key=value|flag...]" (keys as tavro-sim --help lists them). nullopt, with why
// set, when the address or a key is not understood.
std::optional<DeviceSettings> ParseDeviceSettings(std::string_view text, std::string& why);

}  // namespace tavro::sim
