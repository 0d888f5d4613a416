#include <winsock2.h>

#include "net/winsock_start.h"

namespace tavro::net {

// Winsock is never cleaned up: the process's end releases it, and a socket of a detached
// thread may outlive main.
int StartWinsock() {
    static const int started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return started;
}

}  // namespace tavro::net
