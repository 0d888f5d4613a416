#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "network_namespace.h"

namespace tavro::test {

// One line of the simulator's events file: "<device> <kind> [detail]".
struct SimEvent {
    std::string device;  // a device address, or "*" for the probe listener
    std::string kind;
    std::string detail;
};

// tavro-sim running inside a namespace for the length of one test. Every device stores a
// verified image in a private directory and reports what it saw to a private events file.
class SimulatedDevices {
public:
    // Starts "tavro-sim --device D..." in ns and waits for it to print "ready" (5 s at most).
    // nullptr, with why set, when it did not come up.
    static std::unique_ptr<SimulatedDevices> Start(const NetworkNamespace& ns,
                                                   const std::vector<std::string>& devices,
                                                   std::string& why);
    // Stop(3 s), then SIGKILL when it has not ended by then; the files go with it.
    ~SimulatedDevices();
    // SIGTERM, then waits up to grace for the simulator to end. True when it ended by itself
    // with status 0: every device thread let go in time, whatever it was doing.
    bool Stop(std::chrono::milliseconds grace);
    SimulatedDevices(const SimulatedDevices&) = delete;
    SimulatedDevices& operator=(const SimulatedDevices&) = delete;

    std::vector<SimEvent> Events() const;
    // The details of one device's events of one kind, in the order they happened.
    std::vector<std::string> Events(const std::string& device, const std::string& kind) const;
    // Waits until the device has recorded an event of that kind; false when the limit passed.
    bool WaitForEvent(const std::string& device, const std::string& kind,
                      std::chrono::milliseconds limit) const;
    // Waits until the device has recorded count events of that kind; false when the limit
    // passed first.
    bool WaitForEvents(const std::string& device, const std::string& kind, std::size_t count,
                       std::chrono::milliseconds limit) const;
    // The image the device stored after it passed the length and MD5 checks.
    std::optional<std::string> StoredImage(const std::string& device) const;

private:
    SimulatedDevices() = default;

    pid_t pid_ = -1;
    int lifeline_ = -1;  // write end of the simulator's stdin
    std::string directory_;
    std::string eventsPath_;
    std::string storeDirectory_;
};

// The bytes of a whole file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace tavro::test
