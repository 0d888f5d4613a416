#include "sim/simulated_device.h"

namespace tavro::sim {

SimulatedDevice::SimulatedDevice(DeviceSettings settings, EventLog& events)
    : settings_(std::move(settings)),
      life_(settings_),
      discovery_(settings_, life_, events),
      version_(settings_, life_, events),
      upload_(settings_, life_, events) {}

bool SimulatedDevice::Bind(std::string& why) {
    const auto fail = [&](const char* what, int error) {
        why = std::string(what) + " on " + settings_.addressText + " failed with " +
              std::to_string(error) + " (is the address on an interface of this namespace?)";
        return false;
    };
    if (const int error = discovery_.Bind(); error != 0)
        return fail("discovery reply socket", error);
    if (const int error = version_.Bind(); error != 0)
        return fail("version server (TCP 9998)", error);
    if (const int error = upload_.Bind(); error != 0)
        return fail("upload sockets (UDP 3232, answer-from, stranger-answer)", error);
    return true;
}

void SimulatedDevice::Start() {
    discoveryThread_ = std::jthread([this](std::stop_token stop) { discovery_.Run(stop); });
    versionThread_ = std::jthread([this](std::stop_token stop) { version_.Run(stop); });
    uploadThread_ = std::jthread([this](std::stop_token stop) { upload_.Run(stop); });
}

}  // namespace tavro::sim
