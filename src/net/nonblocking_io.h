#pragma once

#include <span>

#include "net/socket.h"

namespace tavro::net {

// Calls for a socket that one event loop drives together with others: none of them waits.
// Each returns 0 or a Winsock-compatible code; kErrorWouldBlock means "not yet, poll again".

// Switches the socket to non-blocking mode for the rest of its life.
int SetNonBlocking(Socket& socket);

// Starts a connect. 0 when it completed at once; kErrorWouldBlock while it goes on, and the
// socket then turns writable when it ends (ConnectOutcome tells how).
int StartConnect(Socket& socket, const Endpoint& remote);

// How a connect that went on in the background ended.
int ConnectOutcome(const Socket& socket);

// One send of what the socket takes now, never SIGPIPE; kErrorWouldBlock when it takes nothing.
IoResult SendNow(Socket& socket, std::span<const char> data);

// One receive of what is there now (count 0: the peer closed its side); kErrorWouldBlock when
// nothing is there. Also for datagrams: one longer than the area is dropped with 10040.
IoResult ReceiveNow(Socket& socket, std::span<char> area, Endpoint* from = nullptr);

}  // namespace tavro::net
