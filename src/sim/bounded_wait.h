#pragma once

#include <chrono>
#include <stop_token>
#include <string_view>

#include "net/socket.h"

namespace tavro::sim {

// Every wait of a simulated device ends at its limit or when the simulator stops, whichever
// comes first; no peer, however broken, holds a device thread.
inline constexpr std::chrono::milliseconds kPeerLimit{30000};

enum class WaitOutcome { Ready, TimedOut, Stopped, Failed };

WaitOutcome WaitReadable(net::Socket& socket, std::chrono::milliseconds limit,
                         std::stop_token stop);

// Connects within the limit; 0, or the Winsock-compatible code of the failure (10060 when
// the limit passed, 10004 when the simulator stopped first).
int ConnectWithin(net::Socket& socket, const net::Endpoint& remote, std::chrono::milliseconds limit,
                  std::stop_token stop);

// Sends every byte, waiting for room at most the limit in all: a writer that stops reading
// holds no device thread. Ready once everything went.
WaitOutcome SendWithin(net::Socket& socket, std::string_view bytes, std::chrono::milliseconds limit,
                       std::stop_token stop);

// Waits, without reading, until the peer has closed its side or reset the connection; Ready
// when it has.
WaitOutcome WaitPeerGone(net::Socket& socket, std::chrono::milliseconds limit,
                         std::stop_token stop);

// Sleeps for the delay; false when the simulator stopped meanwhile.
bool Pause(std::chrono::milliseconds delay, std::stop_token stop);
// Sleeps until the moment; false when the simulator stopped meanwhile.
bool PauseUntil(std::chrono::steady_clock::time_point moment, std::stop_token stop);

// The outcome's name in an event line.
const char* OutcomeText(WaitOutcome outcome);

}  // namespace tavro::sim
