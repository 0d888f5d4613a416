#include "cli/device_json.h"

#include <cstdio>

#include "cli/json_text.h"

namespace tavro::cli {

std::string HardwareAddress(const discovery::DeviceRecord& row) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", row.macAddress[0],
                  row.macAddress[1], row.macAddress[2], row.macAddress[3], row.macAddress[4],
                  row.macAddress[5]);
    return text;
}

std::string MacText(const discovery::DeviceRecord& row) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", row.macAddress[0],
                  row.macAddress[1], row.macAddress[2], row.macAddress[3], row.macAddress[4],
                  row.macAddress[5]);
    return text;
}

std::string VersionText(std::uint32_t sketchVersion) {
    char shown[32];
    std::snprintf(shown, sizeof shown, "%1.2f", discovery::ShownVersion(sketchVersion));
    return shown;
}

std::string DeviceJson(const discovery::DeviceRecord& row, const std::string& interfaceName,
                       const std::string& localAddress) {
    const std::string version = VersionText(row.sketchVersion);
    return "{\"address\":" + JsonString(row.addressText) +
           ",\"hardwareAddress\":" + JsonString(HardwareAddress(row)) +
           ",\"sketchVersion\":" + std::to_string(row.sketchVersion) +
           ",\"textVersion\":" + std::to_string(row.textVersion) + ",\"shownVersion\":" + version +
           ",\"mac\":" + JsonString(MacText(row)) + ",\"version\":" + JsonString(version) +
           ",\"ifname\":" + JsonString(interfaceName) +
           ",\"localAddress\":" + JsonString(localAddress) + "}";
}

}  // namespace tavro::cli
