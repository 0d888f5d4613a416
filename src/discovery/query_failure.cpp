#include "discovery/query_failure.h"

#include "net/socket_error.h"

namespace tavro::discovery {

bool IsDeviceSideError(int code) {
    switch (code) {
        case net::kErrorConnectionRefused:
        case net::kErrorConnectionReset:
        case net::kErrorConnectionAborted:
        case net::kErrorNetworkReset:
        case net::kErrorTimedOut:
        case net::kErrorHostUnreachable:
        // No route to the address a reply came from: a reply with a made-up source must not
        // read as a failure of this computer's.
        case net::kErrorNetworkUnreachable:
        case net::kErrorHostDown:
        case net::kErrorNotConnected:
        case net::kErrorShutDown:
            return true;
        default:
            return false;
    }
}

VersionFinding FindingOfFailure(int code, bool bytesCame) {
    if (code != 0 && !IsDeviceSideError(code)) {
        return LocalFailureFinding(code);
    }
    return VersionFinding{.fate = bytesCame ? VersionFate::Unreadable : VersionFate::Silent,
                          .strictVersion = std::nullopt,
                          .localError = 0};
}

VersionFinding LocalFailureFinding(int code) {
    return VersionFinding{
        .fate = VersionFate::LocalFailure, .strictVersion = std::nullopt, .localError = code};
}

}  // namespace tavro::discovery
