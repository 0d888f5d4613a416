#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "log/log_sink.h"
#include "net/ipv4_address.h"
#include "net/socket.h"

namespace tavro::upload {

// The listening socket on which devices connect back, handing each connection to the upload
// of the device it comes from. One listener can serve several uploads at once (one fixed port
// that a firewall lets in for all of them). A connection carries nothing but its source
// address, so the listener trusts no more than that: a connection goes to an upload only when
// it comes from that upload's device, after that device accepted the invitation it was sent;
// each address holds at most one connection in waiting (a newer one replaces it), and a
// connection from an address no upload expects is closed at once. So neither a stranger nor a
// device that floods the port can take descriptors, nor another device's upload.
// Safe to share between threads.
class ConnectBackListener {
public:
    using Clock = std::chrono::steady_clock;

    // Takes over a socket that already listens on `local`.
    ConnectBackListener(net::Socket listening, net::Endpoint local);
    ConnectBackListener(const ConnectBackListener&) = delete;
    ConnectBackListener& operator=(const ConnectBackListener&) = delete;

    const net::Endpoint& local() const { return local_; }

    // One upload's claim on the connections from its device, taken before the invitation goes
    // out and held until the upload has its connection or gives up. An address is expected by
    // one upload at a time.
    class Expectation {
    public:
        Expectation(ConnectBackListener& listener, net::Ipv4Address device);
        ~Expectation();
        Expectation(const Expectation&) = delete;
        Expectation& operator=(const Expectation&) = delete;

        // The device accepted the invitation that was sent at `invitationSent`: a connection
        // from its address that came before that moment cannot be the answer to it.
        void Accepted(Clock::time_point invitationSent);

        // The device's connection within `limit`, however many others come first; each
        // stranger is traced on `log` ("ignored connection from ADDR"). An invalid socket and
        // the code when the accept fails (10060 when the limit passes).
        net::Socket Accept(std::chrono::milliseconds limit, LogSink& log, int& error);

    private:
        ConnectBackListener& listener_;
        net::Ipv4Address device_;
    };

private:
    struct Expected {
        bool accepted = false;
        Clock::time_point invitationSent;
        net::Socket waiting;  // the newest connection from the address, not yet taken
        Clock::time_point arrived;
    };

    // Takes the connection for `device` once its invitation was accepted; invalid when none.
    net::Socket TakeWaiting(net::Ipv4Address device);
    // Hands a fresh connection to its address's upload, or closes it; false for a stranger.
    bool Place(net::Socket connection, net::Ipv4Address peer);
    // One turn in accept; false with the code when the accept failed for good.
    bool AcceptOnce(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds limit,
                    LogSink& log, int& error);

    const net::Endpoint local_;
    net::Socket socket_;
    std::mutex mutex_;
    std::condition_variable turnOver_;
    bool accepting_ = false;  // one waiter at a time sits in accept
    std::map<net::Ipv4Address, Expected> expected_;
};

}  // namespace tavro::upload
