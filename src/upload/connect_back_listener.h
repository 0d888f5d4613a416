#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "log/log_sink.h"
#include "net/ipv4_address.h"
#include "net/socket.h"

namespace tavro::upload {

// The listening socket on which devices connect back, handing each connection to the upload
// that waits for its peer's address. One listener can serve several uploads at once (one fixed
// port that a firewall lets in for all of them): whichever waiter happens to accept takes a
// connection meant for another waiting device aside for it, and closes a stranger's at once.
// Safe to share between threads.
class ConnectBackListener {
public:
    // Takes over a socket that already listens on `local`.
    ConnectBackListener(net::Socket listening, net::Endpoint local);
    ConnectBackListener(const ConnectBackListener&) = delete;
    ConnectBackListener& operator=(const ConnectBackListener&) = delete;

    const net::Endpoint& local() const { return local_; }

    // While it lives, a connection from its device is kept for the device's upload, even when
    // it arrives before that upload waits for it (a device may connect back at once after it
    // accepted the invitation, while another upload sits in accept). Take one before the
    // invitation goes out.
    class Expectation {
    public:
        Expectation(ConnectBackListener& listener, net::Ipv4Address device);
        ~Expectation();
        Expectation(const Expectation&) = delete;
        Expectation& operator=(const Expectation&) = delete;

    private:
        ConnectBackListener& listener_;
        net::Ipv4Address device_;
    };

    // The first connection from `device` within `limit`, however many
    // others come first; each stranger is traced on `log` ("ignored connection from ADDR").
    // An invalid socket and the code when the accept fails (10060 when the limit passes).
    net::Socket AcceptFrom(net::Ipv4Address device, std::chrono::milliseconds limit, LogSink& log,
                           int& error);

private:
    // Takes a connection kept for `device`; invalid when there is none.
    net::Socket TakeKept(net::Ipv4Address device);
    void StopWaiting(net::Ipv4Address device);

    const net::Endpoint local_;
    net::Socket socket_;
    std::mutex mutex_;
    std::condition_variable turnOver_;
    bool accepting_ = false;                   // one waiter at a time sits in accept
    std::multiset<net::Ipv4Address> waiting_;  // the devices someone waits for or expects
    std::map<net::Ipv4Address, std::vector<net::Socket>> kept_;
};

}  // namespace tavro::upload
