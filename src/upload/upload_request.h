#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/ipv4_address.h"
#include "upload/firmware_image.h"

namespace tavro::upload {

inline constexpr int kDeviceUploadPort = 3232;
inline constexpr char kUploadPassword[] = "VESPERDUN";

class ConnectBackListener;

// Everything one upload needs to know.
struct UploadRequest {
    net::Ipv4Address deviceAddress;
    net::Ipv4Address localAddress;
    int devicePort = kDeviceUploadPort;
    std::string password = kUploadPassword;
    std::string firmwarePath;  // absolute
    // The port the device connects back to; 0 lets the system pick one (a firewall then
    // cannot know it in advance).
    std::uint16_t localPort = 0;
    // Set: the device connects back to this listener, which may serve other uploads at the
    // same time; localAddress and localPort are then the listener's.
    std::shared_ptr<ConnectBackListener> sharedListener;
    // Set: the file was measured once for several uploads, and this upload sends exactly that
    // image (its bytes are checked against the digest as they go) or fails; unset: it measures
    // the file itself.
    std::optional<FirmwareImage> image;
};

// How long the upload waits for the device at each step.
struct UploadTimeouts {
    std::chrono::milliseconds reply{3000};         // each answer to the invitation, the verdict
    std::chrono::milliseconds connectBack{30000};  // the device's connection back
    std::chrono::milliseconds acknowledgement{
        30000};  // each block's send and acknowledgement, the final reply
};

}  // namespace tavro::upload
