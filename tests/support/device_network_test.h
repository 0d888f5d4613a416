#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "network_namespace.h"
#include "simulated_devices.h"

namespace tavro::test {

// A test against simulated devices: its own test network, tavro-sim in the device namespace,
// and the test thread inside the tool namespace, where the writer's core runs as in the product.
class DeviceNetworkTest : public ::testing::Test {
protected:
    static constexpr const char* kToolAddress = TestNetwork::kToolAddress;

    // Fails (or, outside CI, skips) the test when the network cannot be built.
    void StartDevices(const std::vector<std::string>& addresses,
                      const std::vector<std::string>& devices) {
        std::string why;
        network_ = TestNetwork::Create(addresses, why);
        TAVRO_REQUIRE_NAMESPACES(network_, why);
        sim_ = SimulatedDevices::Start(network_->devices(), devices, why);
        ASSERT_TRUE(sim_) << why;
        inTool_ = std::make_unique<EnterNamespace>(network_->tool());
        ASSERT_TRUE(inTool_->ok()) << "cannot enter the tool namespace";
    }

    SimulatedDevices& sim() { return *sim_; }
    TestNetwork& network() { return *network_; }

private:
    // Left in reverse: the thread comes home, then the simulator ends, then the namespaces go.
    std::unique_ptr<TestNetwork> network_;
    std::unique_ptr<SimulatedDevices> sim_;
    std::unique_ptr<EnterNamespace> inTool_;
};

// Seconds since a start, for the bounds the tests assert.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace tavro::test

// Starts the devices; ends the test at once when that failed or was skipped.
#define START_DEVICES(...)                            \
    do {                                              \
        StartDevices(__VA_ARGS__);                    \
        if (HasFatalFailure() || IsSkipped()) return; \
    } while (false)
