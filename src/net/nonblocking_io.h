#pragma once

#include <chrono>
#include <span>

#include "net/socket.h"

namespace tavro::net {

// Calls for a socket that one event loop drives together with others: none of them waits.
// Each returns 0 or a Winsock-compatible code; kErrorWouldBlock means "not yet, poll again".

// Switches the socket to non-blocking mode (or back, with on false). SendNow and ReceiveNow
// never wait only on a socket switched so.
int SetNonBlocking(Socket& socket, bool on = true);

// A new socket of `type` bound to `local` and switched to non-blocking mode; 0, or the code of
// the step that failed (socket then holds whatever that step left).
inline int OpenNonBlocking(int type, const Endpoint& local, Socket& socket) {
    int error = 0;
    socket = Socket::Create(type, error);
    if (error == 0) error = socket.Bind(local);
    if (error == 0) error = SetNonBlocking(socket);
    return error;
}

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

// What a wait looks for in a socket, and what it found: the same bits on every platform.
inline constexpr short kCanRead = 0x01;
inline constexpr short kCanWrite = 0x02;
// The peer closed its sending side or reset the connection (asked for without reading).
inline constexpr short kPeerClosed = 0x04;
// Found only: an error is pending (a connect failed), the connection is gone, no open socket.
inline constexpr short kFailed = 0x08;
inline constexpr short kHungUp = 0x10;
inline constexpr short kNotSocket = 0x20;

struct SocketWait {
    NativeSocket socket = kNoSocket;
    short wanted = 0;
    short seen = 0;
};

// One wait over the sockets, until one of them shows what it is wanted for or the limit
// passes; a signal may end it early with nothing seen. Returns 0 with every entry's seen set,
// or an error code.
int WaitForSockets(std::span<SocketWait> entries, std::chrono::milliseconds limit);

}  // namespace tavro::net
