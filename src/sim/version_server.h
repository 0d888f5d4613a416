#pragma once

#include <atomic>
#include <list>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

#include "net/socket.h"
#include "sim/device_life.h"
#include "sim/device_settings.h"
#include "sim/event_log.h"

namespace tavro::sim {

inline constexpr std::uint16_t kVersionPort = 9998;

// "SKETCH VER : n\r\nTEXT VER : m\r\n", or the exact bytes the device was given instead.
// The sketch version is the one the device answers with now.
std::string VersionAnswer(const DeviceSettings& settings);
std::string VersionAnswer(const DeviceSettings& settings, std::uint32_t sketchVersion);

// Serves the version query on TCP <address>:9998: reads the 5-byte request, answers, closes.
// Each connection is served on its own thread, so that a query held by a silent or slow
// answer delays none of the others that a search sends side by side.
class VersionServer {
public:
    VersionServer(const DeviceSettings& settings, const DeviceLife& life, EventLog& events)
        : settings_(settings), life_(life), events_(events) {}

    int Bind();
    // Until stopped; every connection still being served is stopped and waited for on return.
    void Run(std::stop_token stop);

private:
    struct Session {
        std::atomic<bool> done{false};
        std::jthread thread;
    };

    void Serve(net::Socket& connection, std::stop_token stop);
    std::string ReadRequest(net::Socket& connection, std::stop_token stop);
    void Answer(net::Socket& connection, std::stop_token stop);
    void HoldUntilClosed(net::Socket& connection, std::stop_token stop);

    const DeviceSettings& settings_;
    const DeviceLife& life_;
    EventLog& events_;
    net::Socket listener_;
};

}  // namespace tavro::sim
