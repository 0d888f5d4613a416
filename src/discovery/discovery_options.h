#pragma once

#include <chrono>
#include <cstdint>

namespace tavro::discovery {

// Ports and times of a search. The product uses the defaults; tests move the ports and
// shorten the times.
struct DiscoveryOptions {
    std::uint16_t probePort = 30718;
    std::uint16_t versionPort = 9998;
    // A stretch this long without a datagram, counted from the last one, ends the search once
    // no version query is running; also the discovery socket's receive time-out.
    std::chrono::milliseconds quietTime{1000};
    // Each version query, from the start of its connect to the end of its answer.
    std::chrono::milliseconds versionTimeout{3000};
    // From the probe on, datagrams are taken for at most this long, however they keep coming.
    std::chrono::milliseconds searchBound{10000};
};

}  // namespace tavro::discovery
