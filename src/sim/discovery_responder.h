#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>

#include "net/socket.h"
#include "sim/device_life.h"
#include "sim/device_settings.h"
#include "sim/event_log.h"

namespace tavro::sim {

// The reply datagram of a device: settings.replyLength bytes, the hardware address at bytes
// 24..29 when it fits, a few plausible status bytes, zeros elsewhere.
std::string DiscoveryReply(const DeviceSettings& settings);

// Answers each probe handed to it from the device's own address, on the device's thread, so
// that a device told to answer late holds up no other device.
class DiscoveryResponder {
public:
    DiscoveryResponder(const DeviceSettings& settings, const DeviceLife& life, EventLog& events)
        : settings_(settings), life_(life), events_(events) {}

    // Binds the reply socket to the device's address; a Winsock-compatible code on failure.
    int Bind();
    // Called by the probe listener for every probe; returns at once.
    void Offer(const net::Endpoint& prober);
    void Run(std::stop_token stop);

private:
    void Answer(const net::Endpoint& prober, std::stop_token stop);
    // floodRate replies a second for floodSeconds, each on its own schedule so that a slow
    // send does not lower the rate.
    void Flood(const net::Endpoint& prober, std::stop_token stop);

    const DeviceSettings& settings_;
    const DeviceLife& life_;
    EventLog& events_;
    net::Socket socket_;
    std::mutex mutex_;
    std::condition_variable_any offered_;
    std::deque<net::Endpoint> probers_;
};

}  // namespace tavro::sim
