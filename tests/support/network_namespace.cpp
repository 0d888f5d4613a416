#include "network_namespace.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavro::test {
namespace {

constexpr const char* kPrefix = "tvt-";

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe)) out += chunk;
        ::pclose(pipe);
    }
    return out;
}

// Namespaces left behind by a test process that was killed: their owner's pid is gone.
void RemoveStaleNamespaces() {
    std::istringstream names(Capture("ip netns list 2>/dev/null"));
    std::string line;
    while (std::getline(names, line)) {
        const std::string name = line.substr(0, line.find(' '));
        if (name.rfind(kPrefix, 0) != 0) continue;
        const long owner = std::strtol(name.c_str() + 4, nullptr, 10);
        if (owner > 0 && ::kill(static_cast<pid_t>(owner), 0) != 0) {
            Shell("ip netns del " + name + " 2>/dev/null");
        }
    }
}

// One ip process for every address: a network of a few hundred devices comes up at once.
bool AddAddresses(const std::string& ns, const std::vector<std::string>& addresses) {
    if (addresses.empty()) return true;
    const std::string batch = (std::filesystem::temp_directory_path() /
                               ("tavro-addresses-" + std::to_string(::getpid()) + "-" + ns))
                                  .string();
    {
        std::ofstream commands(batch);
        for (const std::string& address : addresses) {
            commands << "addr add " << address << "/24 dev " << TestNetwork::kDeviceInterface
                     << "\n";
        }
    }
    const bool added = Shell("ip -n " + ns + " -batch " + batch + " 2>&1") == 0;
    std::remove(batch.c_str());
    return added;
}

}  // namespace

bool RunningUnderCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

std::unique_ptr<NetworkNamespace> NetworkNamespace::Create(const std::string& role,
                                                           std::string& why) {
    static std::atomic<int> counter{0};
    static const bool cleaned = (RemoveStaleNamespaces(), true);
    (void)cleaned;
    const std::string name =
        kPrefix + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" + role;
    if (Shell("ip netns add " + name + " 2>/dev/null") != 0) {
        why = "cannot create network namespace " + name + " (needs root and iproute2)";
        return nullptr;
    }
    std::unique_ptr<NetworkNamespace> ns(new NetworkNamespace(name));
    if (ns->Run("ip link set lo up") != 0) {
        why = "cannot bring up loopback in " + name;
        return nullptr;
    }
    return ns;
}

NetworkNamespace::~NetworkNamespace() {
    // Processes still running inside would keep the namespace alive; end them first.
    Shell("ip netns pids " + name_ + " 2>/dev/null | xargs -r kill -9 2>/dev/null");
    Shell("ip netns del " + name_ + " 2>/dev/null");
}

int NetworkNamespace::Run(const std::string& command) const {
    std::string quoted;
    for (char c : command) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return Shell("ip netns exec " + name_ + " sh -c '" + quoted + "'");
}

EnterNamespace::EnterNamespace(const NetworkNamespace& ns) {
    original_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = ::open(("/run/netns/" + ns.name()).c_str(), O_RDONLY | O_CLOEXEC);
    ok_ = original_ >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) ::close(target);
}

EnterNamespace::~EnterNamespace() {
    if (original_ < 0) return;
    if (ok_) ::setns(original_, CLONE_NEWNET);
    ::close(original_);
}

std::vector<std::string> TestNetwork::DeviceAddresses(int first, int count) {
    std::vector<std::string> addresses;
    for (int host = first; host < first + count && host < 255; ++host) {
        addresses.push_back("198.18.0." + std::to_string(host));
    }
    return addresses;
}

std::unique_ptr<TestNetwork> TestNetwork::Create(const std::vector<std::string>& deviceAddresses,
                                                 std::string& why) {
    auto network = std::unique_ptr<TestNetwork>(new TestNetwork());
    network->tool_ = NetworkNamespace::Create("tool", why);
    if (!network->tool_) return nullptr;
    network->devices_ = NetworkNamespace::Create("dev", why);
    if (!network->devices_) return nullptr;

    const std::string& tool = network->tool_->name();
    const std::string& devices = network->devices_->name();
    std::string setup = "ip -n " + tool + " link add " + kToolInterface + " type veth peer name " +
                        kDeviceInterface + " netns " + devices + " && ip -n " + tool +
                        " addr add " + kToolAddress + "/24 dev " + kToolInterface + " && ip -n " +
                        tool + " link set " + kToolInterface + " up && ip -n " + devices +
                        " link set " + kDeviceInterface + " up";
    // The limited broadcast is routed like any other destination: without a default route
    // the probe would have nowhere to go. It stays on the veth, inside these namespaces. The
    // gateway, an address nobody holds, is for Windows programs under Wine, whose adapter list
    // refuses a default route without one.
    setup += " && ip -n " + tool + " route add default via 198.18.0.254 dev " + kToolInterface;
    if (Shell(setup + " 2>&1") != 0) {
        why = "cannot build the veth pair between " + tool + " and " + devices;
        return nullptr;
    }
    if (!AddAddresses(devices, deviceAddresses)) {
        why = "cannot give " + devices + " its device addresses";
        return nullptr;
    }
    // Addresses are usable once duplicate detection and the link are through.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Shell("ip -n " + tool + " -o link show " + kToolInterface + " | grep -q LOWER_UP") ==
            0) {
            return network;
        }
        ::usleep(100 * 1000);
    }
    why = "the veth pair did not come up";
    return nullptr;
}

}  // namespace tavro::test
