#pragma once

#include "discovery/sightings.h"

namespace tavro::discovery {

// Whether a socket code from a version query's connect, send or receive speaks of the device
// and the path to it (refused, reset, timed out, host or network unreachable...) rather than
// of this computer (no descriptor, no buffer, no local port, its network down). An unknown code
// counts as this computer's: a failure we cannot place must never read as the device's silence.
bool IsDeviceSideError(int code);

// The finding of a query that ended without an answer: code is the socket code, or 0 when the
// device closed, let the bound pass or sent bytes that are no answer. bytesCame: the device
// sent at least one byte, so it is there.
VersionFinding FindingOfFailure(int code, bool bytesCame);

// This computer could not ask: code says why.
VersionFinding LocalFailureFinding(int code);

}  // namespace tavro::discovery
