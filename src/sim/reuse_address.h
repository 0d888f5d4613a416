#pragma once

#include <sys/socket.h>

#include "net/socket.h"

namespace tavro::sim {

// Lets a restarted simulator take its ports again at once, and lets the probe listener share
// its port with the devices' own sockets.
inline void ReuseAddress(net::Socket& socket) {
    const int on = 1;
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

}  // namespace tavro::sim
