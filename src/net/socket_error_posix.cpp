#include <cerrno>

#include "net/socket_error.h"

namespace tavro::net {

namespace {

// Winsock numbers the same conditions 10000 + the BSD errno of the era; Linux numbers them
// differently, so each one is named here.
int WinsockTwin(int errnoValue) {
    switch (errnoValue) {
        case EINTR:
            return kErrorInterrupted;
        case EBADF:
            return kErrorBadHandle;
        case EACCES:
            return kErrorAccessDenied;
        case EFAULT:
            return kErrorFault;
        case EINVAL:
            return kErrorInvalidArgument;
        case EMFILE:
        case ENFILE:
            return kErrorTooManySockets;
        case EWOULDBLOCK:
            return kErrorWouldBlock;
        case EINPROGRESS:
            return kErrorInProgress;
        case EALREADY:
            return kErrorAlready;
        case ENOTSOCK:
            return kErrorNotSocket;
        case EDESTADDRREQ:
            return kErrorDestinationRequired;
        case EMSGSIZE:
            return kErrorMessageSize;
        case EPROTOTYPE:
            return kErrorProtocolType;
        case ENOPROTOOPT:
            return kErrorProtocolOption;
        case EPROTONOSUPPORT:
            return kErrorProtocolNotSupported;
        case ESOCKTNOSUPPORT:
            return 10044;
        case EOPNOTSUPP:
            return kErrorNotSupported;
        case EPFNOSUPPORT:
            return 10046;
        case EAFNOSUPPORT:
            return kErrorFamilyNotSupported;
        case EADDRINUSE:
            return kErrorAddressInUse;
        case EADDRNOTAVAIL:
            return kErrorAddressNotAvailable;
        case ENETDOWN:
            return kErrorNetworkDown;
        case ENETUNREACH:
            return kErrorNetworkUnreachable;
        case ENETRESET:
            return kErrorNetworkReset;
        case ECONNABORTED:
            return kErrorConnectionAborted;
        case ECONNRESET:
        // A send after the peer has gone: Winsock reports the reset.
        case EPIPE:
            return kErrorConnectionReset;
        case ENOBUFS:
        case ENOMEM:
            return kErrorNoBuffers;
        case EISCONN:
            return kErrorAlreadyConnected;
        case ENOTCONN:
            return kErrorNotConnected;
        case ESHUTDOWN:
            return kErrorShutDown;
        case ETOOMANYREFS:
            return 10059;
        case ETIMEDOUT:
            return kErrorTimedOut;
        case ECONNREFUSED:
            return kErrorConnectionRefused;
        case ELOOP:
            return 10062;
        case ENAMETOOLONG:
            return 10063;
        case EHOSTDOWN:
            return kErrorHostDown;
        case EHOSTUNREACH:
            return kErrorHostUnreachable;
        default:
            return 0;
    }
}

}  // namespace

int WinsockErrorFromErrno(int errnoValue) {
    if (const int twin = WinsockTwin(errnoValue); twin != 0) {
        return twin;
    }
    // errno values are positive; anything else still must not read as an upload outcome.
    return errnoValue > 0 ? kErrnoOffset + errnoValue : kErrnoOffset;
}

}  // namespace tavro::net
