#pragma once

#include <memory>
#include <stop_token>
#include <vector>

#include "net/socket.h"
#include "sim/event_log.h"
#include "sim/simulated_device.h"

namespace tavro::sim {

inline constexpr std::uint16_t kProbePort = 30718;

// Receives the writer's broadcast probe on 0.0.0.0:30718 and hands each one to every device.
// Only the exact two bytes "TV" are a probe; anything else is noted and left unanswered.
class ProbeListener {
public:
    ProbeListener(std::vector<std::unique_ptr<SimulatedDevice>>& devices, EventLog& events)
        : devices_(devices), events_(events) {}

    int Bind();
    void Run(std::stop_token stop);

private:
    std::vector<std::unique_ptr<SimulatedDevice>>& devices_;
    EventLog& events_;
    net::Socket socket_;
};

}  // namespace tavro::sim
