#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/ipv4_address.h"

namespace tavro::sim {

// How a simulated version server behaves once it has accepted a connection.
enum class VersionMode { Answer, Silent, Close };

// One simulated device: its identity, its answers and the faults it plays on request.
struct DeviceSettings {
    std::string addressText;
    net::Ipv4Address address;
    std::array<std::uint8_t, 6> mac{};
    std::uint32_t sketchVersion = 105;
    std::uint32_t textVersion = 3;
    std::optional<std::string> password;  // set: the device asks for authentication
    std::string storeDirectory;           // set: a verified image goes to DIR/<address>.bin

    // Discovery.
    int replies = 1;  // 0 plays a device that ignores the probe
    std::size_t replyLength = 30;
    int replyDelayMs = 0;
    int floodRate = 0;     // with floodSeconds: replies per second in place of `replies`
    int floodSeconds = 0;  // at most the peer limit

    // Version query.
    std::optional<std::string> versionAnswer;  // exact bytes instead of the usual two lines
    VersionMode versionMode = VersionMode::Answer;
    int versionDelayMs = 0;
    int versionTrickleMs = 0;  // set: the answer goes one byte at a time, this far apart

    // Upload.
    int ignoreInvitations = 0;
    std::optional<std::string> invitationAnswer;  // sent instead of "OK"/"AUTH ..."; ends there
    bool refuseAuth = false;
    bool noVerdict = false;
    bool noConnect = false;
    std::optional<std::uint64_t> closeAfter;  // abort the data connection after so many bytes
    int ackDelayMs = 0;
    bool noFinal = false;
    int floodConnections = 0;     // opened to the writer's port and held silent, before its own
    std::string connectFromText;  // empty: the device's own address
    net::Ipv4Address connectFrom;
    // The connection back misbehaves at once (at most one of the three).
    bool closeOnAccept = false;            // orderly close before reading anything
    bool shutdownOnAccept = false;         // no byte ever sent back, the image still read
    bool ackInAdvance = false;             // every acknowledgement at once, then nothing read
    std::optional<std::string> extraAck;   // sent after every acknowledgement
    std::optional<std::string> finalWord;  // sent instead of "OK"/"NG"; empty: close only
    std::optional<int> finalSplitMs;       // the final reply's first byte, a pause, the rest
    // Other hosts, played from other addresses of the device's namespace.
    std::string answerFromText;  // set: the UDP answers come from there, none from the device
    net::Ipv4Address answerFrom;
    std::string strangerAnswerText;  // set: an "OK" from there precedes the device's answer
    net::Ipv4Address strangerAnswer;
    std::string strangerConnectText;  // set: a connection from there precedes the device's
    net::Ipv4Address strangerConnect;

    // After an image was verified and the final word sent: the reset.
    int resetMs = 0;         // silent to the probe and the version query for so long
    bool neverBack = false;  // silent for the rest of the run
    std::optional<std::uint32_t> sketchAfter;  // the version answered once back
};

// The hardware address a device gets when none is given: 02-00-5E and the address's last
// three bytes, so every simulated device on one network has its own.
std::array<std::uint8_t, 6> DefaultMac(net::Ipv4Address address);

// Reads "ADDR[,key=value|flag...]" (keys as tavro-sim --help lists them). nullopt, with why
// set, when the address or a key is not understood.
std::optional<DeviceSettings> ParseDeviceSettings(std::string_view text, std::string& why);

}  // namespace tavro::sim
