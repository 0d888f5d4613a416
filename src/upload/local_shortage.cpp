#include "upload/local_shortage.h"

#include <cerrno>

#include "net/socket_error.h"

namespace tavro::upload {

bool IsLocalShortage(int socketCode) {
    return socketCode == net::kErrorTooManySockets || socketCode == net::kErrorNoBuffers;
}

int ShortageFromErrno(int errnoValue) {
    switch (errnoValue) {
        case EMFILE:
        case ENFILE:
            return net::kErrorTooManySockets;
        case ENOMEM:
        case ENOBUFS:
            return net::kErrorNoBuffers;
        default:
            return 0;
    }
}

UploadCause CauseOfSocketFailure(int socketCode, UploadCause otherwise) {
    return IsLocalShortage(socketCode) ? UploadCause::LocalShortage : otherwise;
}

}  // namespace tavro::upload
