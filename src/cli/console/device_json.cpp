#include "cli/console/device_json.h"

#include <cstdio>

namespace tavro::cli {

std::string HardwareAddress(const discovery::DeviceRecord& row) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", row.macAddress[0],
                  row.macAddress[1], row.macAddress[2], row.macAddress[3], row.macAddress[4],
                  row.macAddress[5]);
    return text;
}

std::string MacText(const discovery::DeviceRecord& row) { return MacText(row.macAddress); }

std::string MacText(const std::array<std::uint8_t, 6>& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string VersionText(std::uint32_t sketchVersion) {
    char shown[32];
    std::snprintf(shown, sizeof shown, "%1.2f", discovery::ShownVersion(sketchVersion));
    return shown;
}

Json DeviceJson(const discovery::DeviceRecord& row, const std::string& interfaceName,
                const std::string& localAddress) {
    const std::string version = VersionText(row.sketchVersion);
    return Json{
        {"address", row.addressText},
        {"hardwareAddress", HardwareAddress(row)},
        {"sketchVersion", row.sketchVersion},
        {"textVersion", row.textVersion},
        {"shownVersion", Json::parse(version)},
        {"mac", MacText(row)},
        {"version", version},
        {"ifname", interfaceName},
        {"localAddress", localAddress},
    };
}

}  // namespace tavro::cli
