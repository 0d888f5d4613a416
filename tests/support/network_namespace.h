#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Private network namespaces for tests that send device traffic. Nothing here ever touches
// the machine's own interfaces: every address lives inside namespaces made for one test.
namespace tavro::test {

// True under CI, where a test that cannot build its namespaces must fail rather than skip.
bool RunningUnderCi();

// A network namespace named uniquely for this process, deleted when the object goes.
class NetworkNamespace {
public:
    // nullptr when the namespace cannot be made; why tells the reason.
    static std::unique_ptr<NetworkNamespace> Create(const std::string& role, std::string& why);
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace&) = delete;
    NetworkNamespace& operator=(const NetworkNamespace&) = delete;

    const std::string& name() const { return name_; }
    // Runs a shell command inside the namespace; returns its exit status.
    int Run(const std::string& command) const;

private:
    explicit NetworkNamespace(std::string name) : name_(std::move(name)) {}
    std::string name_;
};

// Moves the calling thread into a namespace and back again when it goes. Sockets made and
// threads started meanwhile belong to that namespace.
class EnterNamespace {
public:
    explicit EnterNamespace(const NetworkNamespace& ns);
    ~EnterNamespace();
    EnterNamespace(const EnterNamespace&) = delete;
    EnterNamespace& operator=(const EnterNamespace&) = delete;
    bool ok() const { return ok_; }

private:
    int original_ = -1;
    bool ok_ = false;
};

// Two namespaces joined by a veth pair:
//
//   tool namespace                       device namespace
//   tv0 198.18.0.1/24  <--- veth --->   dv0 198.18.0.10/24, 198.18.0.11/24, ...
//   default route via tv0
//
// The tool's side runs in "tool" (EnterNamespace), simulated devices run in "devices".
class TestNetwork {
public:
    // "198.18.0.<first>", "198.18.0.<first + 1>", ...: count addresses for devices.
    static std::vector<std::string> DeviceAddresses(int first, int count);

    static constexpr const char* kToolAddress = "198.18.0.1";
    static constexpr const char* kToolInterface = "tv0";
    static constexpr const char* kDeviceInterface = "dv0";

    static std::unique_ptr<TestNetwork> Create(const std::vector<std::string>& deviceAddresses,
                                               std::string& why);
    NetworkNamespace& tool() { return *tool_; }
    NetworkNamespace& devices() { return *devices_; }

private:
    std::unique_ptr<NetworkNamespace> tool_;
    std::unique_ptr<NetworkNamespace> devices_;
};

}  // namespace tavro::test

// Ends the test when the namespaces could not be made: a failure under CI, a skip elsewhere.
#define TAVRO_REQUIRE_NAMESPACES(object, why)                                               \
    do {                                                                                    \
        if (!(object)) {                                                                    \
            if (::tavro::test::RunningUnderCi()) FAIL() << "network namespaces: " << (why); \
            GTEST_SKIP() << "network namespaces unavailable: " << (why);                    \
        }                                                                                   \
    } while (false)
