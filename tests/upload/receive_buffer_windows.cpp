#include <winsock2.h>

#include "receive_buffer.h"

namespace tavro::test {

int SetReceiveBuffer(net::Socket& socket, int bytes) {
    return ::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                        sizeof bytes) == 0
               ? 0
               : ::WSAGetLastError();
}

}  // namespace tavro::test
