#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "interfaces/owned_fd_posix.h"

namespace tavro::interfaces {

// Asks interface drivers about themselves through a socket made on the calling thread, so
// names are looked up in that thread's network namespace.
class EthtoolQuery {
public:
    EthtoolQuery();

    // The driver's name ("veth", "e1000e"); nullopt when the driver does not say.
    std::optional<std::string> DriverName(const std::string& interfaceName) const;
    // The link speed in Mb/s as the driver gives it (possibly SPEED_UNKNOWN); nullopt when
    // the driver does not say.
    std::optional<std::uint32_t> SpeedMegabits(const std::string& interfaceName) const;

private:
    bool Ask(const std::string& interfaceName, void* request) const;
    std::optional<std::uint32_t> SpeedFromLinkSettings(const std::string& interfaceName) const;
    std::optional<std::uint32_t> SpeedFromLegacySettings(const std::string& interfaceName) const;

    OwnedFd socket_;
};

}  // namespace tavro::interfaces
