#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

#include "net/ipv4_address.h"
#include "net/native_socket.h"

namespace tavro::net {

// An IPv4 address and a port in host order.
struct Endpoint {
    Ipv4Address address;
    std::uint16_t port = 0;
};

// Outcome of one socket call: a byte count on success, a Winsock-compatible code otherwise.
struct IoResult {
    std::size_t count = 0;
    int error = 0;
    bool ok() const { return error == 0; }
};

// The socket types Create takes, numbered as SOCK_STREAM and SOCK_DGRAM are everywhere.
inline constexpr int kStreamSocket = 1;
inline constexpr int kDatagramSocket = 2;

// A move-only IPv4 socket that closes its descriptor when it goes. Every call that can fail
// returns 0 or a Winsock-compatible code (socket_error.h); a wait interrupted by a signal is
// resumed, never reported; no call raises SIGPIPE.
class Socket {
public:
    Socket() = default;
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket();

    // type is kDatagramSocket or kStreamSocket. On failure the socket is invalid and error is set.
    static Socket Create(int type, int& error);

    bool valid() const { return fd_ != kNoSocket; }
    NativeSocket fd() const { return fd_; }
    void Close();

    int Bind(const Endpoint& local);
    int GetLocalEndpoint(Endpoint& local) const;
    int Listen(int backlog);
    int SetBroadcast(bool on);
    // SO_REUSEADDR: a restarted program takes its ports again at once.
    int SetReuseAddress(bool on);
    // Lets a listener take a fixed port again while connections of an earlier run of it linger
    // (TIME_WAIT), but never while another socket listens there. SO_REUSEADDR on POSIX; nothing
    // on Windows, whose binds already allow that and whose SO_REUSEADDR would allow far more.
    int AllowRebindWhileLingering();
    // A close that resets the connection at once (SO_LINGER with no time) instead of ending it.
    int SetHardClose();
    // Ends the sending side (the peer reads its end); receiving goes on.
    int ShutdownSending();
    // Stops a listener taking connections, the socket staying open until closed: a wait for
    // one in another thread ends at once where the system allows it (POSIX), else at its limit.
    int StopListening();
    // SO_RCVTIMEO in milliseconds; a receive that runs out of time fails with 10060. A limit of
    // zero or less is taken as the shortest wait, never as the system's "no limit".
    int SetReceiveTimeout(std::chrono::milliseconds timeout);

    // Connects within the limit; 10060 when the limit passes first.
    int Connect(const Endpoint& remote, std::chrono::milliseconds limit);
    // Accepts one connection within the limit; 10060 when the limit passes first.
    Socket Accept(std::chrono::milliseconds limit, int& error, Endpoint* peer = nullptr);

    // Waits until a receive would not block, for at most the limit.
    // Returns 0 and sets readable (false when the limit passed), or an error code.
    int WaitReadable(std::chrono::milliseconds limit, bool& readable);

    // One datagram.
    IoResult SendTo(std::span<const char> data, const Endpoint& to);
    // Sends every byte, continuing after short transfers.
    IoResult SendAll(std::span<const char> data);
    // Sends every byte within the limit; 10060 when the peer has not made room for them in time.
    // Tries first without waiting, so a send that fits the socket buffer is one system call.
    IoResult SendAllWithin(std::span<const char> data, std::chrono::milliseconds limit);

    // One datagram into the area. A datagram longer than the area is dropped and fails with
    // 10040 (never silently cut); a receive past SO_RCVTIMEO fails with 10060. `from` names the
    // sender of every datagram taken, the dropped one included.
    IoResult ReceiveFrom(std::span<char> area, Endpoint& from);
    // Waits up to the limit for a datagram, then ReceiveFrom; 10060 when none came in time.
    IoResult ReceiveFromWithin(std::span<char> area, Endpoint& from,
                               std::chrono::milliseconds limit);
    // One recv call: count 0 means the peer closed its sending side.
    IoResult Receive(std::span<char> area);
    // Waits up to the limit for data, then one recv call; 10060 when nothing came in time.
    IoResult ReceiveWithin(std::span<char> area, std::chrono::milliseconds limit);
    // One blocking recv call on a socket whose receive timeout (SetReceiveTimeout) is the limit:
    // no wait before it, so data already there costs one system call. A signal does not stretch
    // the wait: the timeout is set to what is left of the limit, and back afterwards.
    IoResult ReceiveBounded(std::span<char> area, std::chrono::milliseconds limit);

private:
    explicit Socket(NativeSocket fd) : fd_(fd) {}
    NativeSocket fd_ = kNoSocket;
};

}  // namespace tavro::net
