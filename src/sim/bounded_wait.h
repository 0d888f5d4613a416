#pragma once

#include <chrono>
#include <stop_token>

#include "net/socket.h"

namespace tavro::sim {

// Every wait of a simulated device ends at its limit or when the simulator stops, whichever
// comes first; no peer, however broken, holds a device thread.
inline constexpr std::chrono::milliseconds kPeerLimit{30000};

enum class WaitOutcome { Ready, TimedOut, Stopped, Failed };

WaitOutcome WaitReadable(net::Socket& socket, std::chrono::milliseconds limit,
                         std::stop_token stop);

// Sleeps for the delay; false when the simulator stopped meanwhile.
bool Pause(std::chrono::milliseconds delay, std::stop_token stop);

}  // namespace tavro::sim
