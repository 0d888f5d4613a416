#pragma once

#include "net/socket.h"

namespace tavro::test {

// SO_RCVBUF, so that a device that stops reading fills up after a known amount. 0 or the
// system's code.
int SetReceiveBuffer(net::Socket& socket, int bytes);

}  // namespace tavro::test
