#pragma once

#include <string>
#include <thread>

#include "sim/device_life.h"
#include "sim/device_settings.h"
#include "sim/discovery_responder.h"
#include "sim/event_log.h"
#include "sim/upload_device.h"
#include "sim/version_server.h"

namespace tavro::sim {

// One simulated device: its discovery replies, version server and upload dialogue, each on
// its own thread so that a device kept busy by one peer still serves the others.
class SimulatedDevice {
public:
    SimulatedDevice(DeviceSettings settings, EventLog& events);
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // Binds every socket of the device; false, with why set, when one cannot be bound.
    bool Bind(std::string& why);
    void Start();
    // Hands one probe to the device's discovery thread.
    void Offer(const net::Endpoint& prober) { discovery_.Offer(prober); }
    const DeviceSettings& settings() const { return settings_; }

private:
    DeviceSettings settings_;
    DeviceLife life_;
    DiscoveryResponder discovery_;
    VersionServer version_;
    UploadDevice upload_;
    // Declared last: stopped and joined first, while the parts they use still exist.
    std::jthread discoveryThread_;
    std::jthread versionThread_;
    std::jthread uploadThread_;
};

}  // namespace tavro::sim
