#pragma once

#include <cstdint>

namespace tavro::net {

// The system's handle of an open socket: a descriptor on POSIX, a pointer-sized SOCKET on
// Windows. Only the socket layer's own files look inside it.
#ifdef _WIN32
using NativeSocket = std::uintptr_t;
inline constexpr NativeSocket kNoSocket = ~NativeSocket{0};  // INVALID_SOCKET
#else
using NativeSocket = int;
inline constexpr NativeSocket kNoSocket = -1;
#endif

}  // namespace tavro::net
