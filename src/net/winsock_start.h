#pragma once

namespace tavro::net {

// Starts Winsock 2.2 for the process on the first call; every later call gives the first
// call's answer. 0, or the Winsock code of why it could not start. Windows only.
int StartWinsock();

}  // namespace tavro::net
