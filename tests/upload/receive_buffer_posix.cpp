#include <errno.h>
#include <sys/socket.h>

#include "receive_buffer.h"

namespace tavro::test {

int SetReceiveBuffer(net::Socket& socket, int bytes) {
    return ::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0 ? 0 : errno;
}

}  // namespace tavro::test
