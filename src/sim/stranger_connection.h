#pragma once

#include <cstdint>
#include <stop_token>
#include <thread>

#include "net/socket.h"
#include "sim/device_settings.h"
#include "sim/event_log.h"

namespace tavro::sim {

// Another host on the network that connects to the writer's data port just before the
// device does, as if to take the image in the device's place. It reads whatever it is sent,
// acknowledges nothing, and notes how much it got ("stranger-received N") once the writer
// closes the connection, the peer limit passes or the simulator stops.
class StrangerConnection {
public:
    StrangerConnection(const DeviceSettings& settings, EventLog& events, std::stop_token stop)
        : settings_(settings), events_(events), stop_(stop) {}
    StrangerConnection(const StrangerConnection&) = delete;
    StrangerConnection& operator=(const StrangerConnection&) = delete;
    // Waits for the reading to end: at most the peer limit.
    ~StrangerConnection();

    // Connects from settings.strangerConnect and starts reading; false when it could not.
    bool Open(const net::Endpoint& writer);

private:
    void Read();

    const DeviceSettings& settings_;
    EventLog& events_;
    std::stop_token stop_;
    net::Socket connection_;
    std::thread reader_;
};

}  // namespace tavro::sim
