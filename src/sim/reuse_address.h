#pragma once

#include "net/socket.h"

namespace tavro::sim {

// Lets a restarted simulator take its ports again at once, and lets the probe listener share
// its port with the devices' own sockets.
inline void ReuseAddress(net::Socket& socket) { socket.SetReuseAddress(true); }

}  // namespace tavro::sim
