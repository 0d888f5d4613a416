#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "log/log_sink.h"
#include "net/ipv4_address.h"
#include "net/socket.h"

namespace tavro::upload {

// The listening socket on which devices connect back, handing each connection to the upload
// of the device it comes from. One listener can serve several uploads at once (one fixed port
// that a firewall lets in for all of them). A connection carries nothing but its source
// address and the moment it came, so the listener trusts no more than that: a connection goes
// to an upload only when it comes from that upload's device, after the invitation that the
// device accepted was sent; each address holds at most one connection in waiting (a newer one
// replaces it), and a connection from an address no upload expects is closed at once. So
// neither a stranger nor a device that floods the port can take descriptors, nor another
// device's upload.
//
// Connections are taken as they come, by a thread of the listener's own for its whole life,
// so the moment noted for each is when it came, not when some upload got round to it.
// Safe to share between threads.
class ConnectBackListener {
public:
    using Clock = std::chrono::steady_clock;

    // Takes over a socket that already listens on `local`, and starts taking connections.
    ConnectBackListener(net::Socket listening, net::Endpoint local);
    // Stops taking connections and closes every one not handed over.
    ~ConnectBackListener();
    ConnectBackListener(const ConnectBackListener&) = delete;
    ConnectBackListener& operator=(const ConnectBackListener&) = delete;

    const net::Endpoint& local() const { return local_; }

    // 0 while connections are taken; else the code of what stopped that for good (the system
    // had no thread to spare, the socket failed).
    int failure() const;

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
        // the code when the accept fails: 10060 when the limit passes, the shortage's code
        // (10024, 10055) when this computer ran short of descriptors or buffers meanwhile and
        // so may have left the device's connection untaken.
        net::Socket Accept(std::chrono::milliseconds limit, LogSink& log, int& error);

    private:
        ConnectBackListener& listener_;
        net::Ipv4Address device_;
        Clock::time_point since_;  // a shortage from then on may have kept its device out
    };

private:
    struct Expected {
        bool accepted = false;
        Clock::time_point invitationSent;
        net::Socket waiting;  // the newest connection from the address, not yet taken
        Clock::time_point arrived;
    };

    void TakeConnections();
    // Takes one connection that comes within `limit` and places it. False once taking
    // connections has failed for good.
    bool TakeOne(std::chrono::milliseconds limit);
    // Hands a connection that came at `arrived` to its address's upload, or closes it.
    void Place(net::Socket connection, net::Ipv4Address peer, Clock::time_point arrived);
    // Takes the connection for `device` once its invitation was accepted; invalid when none.
    net::Socket TakeWaiting(net::Ipv4Address device);
    // Traces the strangers shut out since the last trace; the lock is let go meanwhile, as the
    // trace may wait on its reader.
    void TraceStrangers(std::unique_lock<std::mutex>& lock, LogSink& log);
    // Takes what has already come but was not taken yet, for a waiter whose time is up.
    void TakeWhatCame();
    void NoteShortage(int error);

    const net::Endpoint local_;
    net::Socket socket_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::map<net::Ipv4Address, Expected> expected_;
    std::deque<net::Ipv4Address> strangers_;  // shut out and not traced yet
    int failure_ = 0;
    int shortage_ = 0;  // the code of the last shortage met in accept
    Clock::time_point shortageSeen_;
    bool stopping_ = false;
    std::thread taker_;  // last: it starts once everything it uses is there
};

}  // namespace tavro::upload
