#pragma once

namespace tavro::net {

// Socket failures are reported as Winsock-compatible numbers, so that the codes a user reads
// ("ネットワークエラー:10060") are the same on every platform and never fall into 0..3, the
// upload's own outcomes.
inline constexpr int kErrorInterrupted = 10004;           // WSAEINTR
inline constexpr int kErrorBadHandle = 10009;             // WSAEBADF
inline constexpr int kErrorAccessDenied = 10013;          // WSAEACCES
inline constexpr int kErrorFault = 10014;                 // WSAEFAULT
inline constexpr int kErrorInvalidArgument = 10022;       // WSAEINVAL
inline constexpr int kErrorTooManySockets = 10024;        // WSAEMFILE
inline constexpr int kErrorWouldBlock = 10035;            // WSAEWOULDBLOCK
inline constexpr int kErrorInProgress = 10036;            // WSAEINPROGRESS
inline constexpr int kErrorAlready = 10037;               // WSAEALREADY
inline constexpr int kErrorNotSocket = 10038;             // WSAENOTSOCK
inline constexpr int kErrorDestinationRequired = 10039;   // WSAEDESTADDRREQ
inline constexpr int kErrorMessageSize = 10040;           // WSAEMSGSIZE
inline constexpr int kErrorProtocolType = 10041;          // WSAEPROTOTYPE
inline constexpr int kErrorProtocolOption = 10042;        // WSAENOPROTOOPT
inline constexpr int kErrorProtocolNotSupported = 10043;  // WSAEPROTONOSUPPORT
inline constexpr int kErrorNotSupported = 10045;          // WSAEOPNOTSUPP
inline constexpr int kErrorFamilyNotSupported = 10047;    // WSAEAFNOSUPPORT
inline constexpr int kErrorAddressInUse = 10048;          // WSAEADDRINUSE
inline constexpr int kErrorAddressNotAvailable = 10049;   // WSAEADDRNOTAVAIL
inline constexpr int kErrorNetworkDown = 10050;           // WSAENETDOWN
inline constexpr int kErrorNetworkUnreachable = 10051;    // WSAENETUNREACH
inline constexpr int kErrorNetworkReset = 10052;          // WSAENETRESET
inline constexpr int kErrorConnectionAborted = 10053;     // WSAECONNABORTED
inline constexpr int kErrorConnectionReset = 10054;       // WSAECONNRESET
inline constexpr int kErrorNoBuffers = 10055;             // WSAENOBUFS
inline constexpr int kErrorAlreadyConnected = 10056;      // WSAEISCONN
inline constexpr int kErrorNotConnected = 10057;          // WSAENOTCONN
inline constexpr int kErrorShutDown = 10058;              // WSAESHUTDOWN
inline constexpr int kErrorTimedOut = 10060;              // WSAETIMEDOUT
inline constexpr int kErrorConnectionRefused = 10061;     // WSAECONNREFUSED
inline constexpr int kErrorHostDown = 10064;              // WSAEHOSTDOWN
inline constexpr int kErrorHostUnreachable = 10065;       // WSAEHOSTUNREACH

// An errno with no Winsock twin is reported as this offset plus the errno.
inline constexpr int kErrnoOffset = 20000;

// The Winsock number for the condition an errno names, else kErrnoOffset + errno.
// Never returns a value in 0..3. POSIX only: on Windows the codes are Winsock's own.
int WinsockErrorFromErrno(int errnoValue);

}  // namespace tavro::net
