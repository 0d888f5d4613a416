#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/socket.h"

namespace tavro::test {

// How a device's version port behaves towards every connection it accepts.
struct VersionScript {
    std::string answer = "SKETCH VER : 105\r\nTEXT VER : 3\r\n";
    std::chrono::milliseconds delay{0};    // after the request, before the answer
    std::chrono::milliseconds trickle{0};  // between the answer's bytes; 0: all at once
    bool silent = false;                   // reads the request, then says nothing
};

// A device's version port on a loopback address, served by a thread of its own: accepts
// connection after connection, reads each 5-byte request, answers as scripted, closes.
class VersionServer {
public:
    // port 0 takes any free port.
    VersionServer(const std::string& address, std::uint16_t port, VersionScript script);
    ~VersionServer();
    VersionServer(const VersionServer&) = delete;
    VersionServer& operator=(const VersionServer&) = delete;

    bool listening() const { return listening_; }
    std::uint16_t port() const { return port_; }
    // The requests received so far, one per connection.
    std::vector<std::string> Requests();

private:
    void Serve();
    void Answer(net::Socket& connection);
    bool Stopping() const { return stop_.load(); }

    VersionScript script_;
    net::Socket listener_;
    bool listening_ = false;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace tavro::test
