#pragma once

#include <chrono>
#include <cstdint>

namespace tavro {

// Ports and waits of a search. The product uses the defaults; tests move the ports.
struct DiscoveryOptions {
    std::uint16_t probePort = 30718;
    std::uint16_t versionPort = 9998;
    // One quiet stretch ends the search; also the discovery socket's receive time-out.
    std::chrono::milliseconds quietTime{1000};
    // Bound on the version query's connect and on each of its receives.
    std::chrono::milliseconds versionTimeout{3000};
};

}  // namespace tavro
