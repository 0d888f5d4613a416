#include "interfaces/ethtool_query_linux.h"

#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <array>
#include <climits>
#include <cstring>

namespace tavro::interfaces {
namespace {

// ethtool_link_settings is followed by three link-mode bitmaps of up to 127 words each; it is
// kept in a word buffer because the structure ends in a flexible array.
constexpr std::size_t kSettingsWords = sizeof(ethtool_link_settings) / sizeof(std::uint32_t);
constexpr std::size_t kMaxMaskWords = SCHAR_MAX;
using LinkSettingsBuffer = std::array<std::uint32_t, kSettingsWords + 3 * kMaxMaskWords>;

}  // namespace

EthtoolQuery::EthtoolQuery() : socket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}

bool EthtoolQuery::Ask(const std::string& interfaceName, void* request) const {
    if (!socket_.valid() || interfaceName.empty() || interfaceName.size() >= IFNAMSIZ) {
        return false;
    }
    ifreq ask{};
    std::memcpy(ask.ifr_name, interfaceName.data(), interfaceName.size());
    ask.ifr_data = static_cast<char*>(request);
    return ::ioctl(socket_.get(), SIOCETHTOOL, &ask) == 0;
}

std::optional<std::string> EthtoolQuery::DriverName(const std::string& interfaceName) const {
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    if (!Ask(interfaceName, &info)) return std::nullopt;
    std::string driver(info.driver, ::strnlen(info.driver, sizeof info.driver));
    if (driver.empty()) return std::nullopt;
    return driver;
}

std::optional<std::uint32_t> EthtoolQuery::SpeedMegabits(const std::string& interfaceName) const {
    if (auto speed = SpeedFromLinkSettings(interfaceName)) return speed;
    return SpeedFromLegacySettings(interfaceName);
}

std::optional<std::uint32_t> EthtoolQuery::SpeedFromLinkSettings(
    const std::string& interfaceName) const {
    // First ask with no bitmaps: the driver answers with the negated number of words it needs.
    LinkSettingsBuffer buffer{};
    ethtool_link_settings settings{};
    settings.cmd = ETHTOOL_GLINKSETTINGS;
    std::memcpy(buffer.data(), &settings, sizeof settings);
    if (!Ask(interfaceName, buffer.data())) return std::nullopt;
    std::memcpy(&settings, buffer.data(), sizeof settings);
    const int words = -settings.link_mode_masks_nwords;
    if (settings.cmd != ETHTOOL_GLINKSETTINGS || words <= 0 ||
        static_cast<std::size_t>(words) > kMaxMaskWords) {
        return std::nullopt;
    }

    buffer.fill(0);
    settings = ethtool_link_settings{};
    settings.cmd = ETHTOOL_GLINKSETTINGS;
    settings.link_mode_masks_nwords = static_cast<std::int8_t>(words);
    std::memcpy(buffer.data(), &settings, sizeof settings);
    if (!Ask(interfaceName, buffer.data())) return std::nullopt;
    std::memcpy(&settings, buffer.data(), sizeof settings);
    if (settings.cmd != ETHTOOL_GLINKSETTINGS || settings.link_mode_masks_nwords != words) {
        return std::nullopt;
    }
    return settings.speed;
}

std::optional<std::uint32_t> EthtoolQuery::SpeedFromLegacySettings(
    const std::string& interfaceName) const {
    ethtool_cmd settings{};
    settings.cmd = ETHTOOL_GSET;
    if (!Ask(interfaceName, &settings)) return std::nullopt;
    return ethtool_cmd_speed(&settings);
}

}  // namespace tavro::interfaces
