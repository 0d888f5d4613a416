#include "simulated_devices.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <utility>

extern char** environ;

namespace tavro::test {
namespace {

using Clock = std::chrono::steady_clock;

// A pipe whose ends close with the object.
struct Pipe {
    int read = -1;
    int write = -1;
    bool Open() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return false;
        read = ends[0];
        write = ends[1];
        return true;
    }
    void CloseWrite() {
        if (write >= 0) ::close(write);
        write = -1;
    }
    ~Pipe() {
        if (read >= 0) ::close(read);
        CloseWrite();
    }
};

// Reads the child's stdout until "ready" arrives, the child closes it, or the limit passes.
bool AwaitReady(int fd, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::string seen;
    while (seen.find("ready\n") == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char chunk[256];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) return false;
        seen.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
}

// Waits for the child to end; true, with its wait status, when it did within the limit.
bool Reap(pid_t pid, std::chrono::milliseconds limit, int& status) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno == ECHILD) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string MakeDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavro-sim-XXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::unique_ptr<SimulatedDevices> SimulatedDevices::Start(const NetworkNamespace& ns,
                                                          const std::vector<std::string>& devices,
                                                          std::string& why) {
    std::unique_ptr<SimulatedDevices> sim(new SimulatedDevices());
    sim->directory_ = MakeDirectory();
    if (sim->directory_.empty()) {
        why = "cannot make a directory for the simulator's files";
        return nullptr;
    }
    sim->eventsPath_ = sim->directory_ + "/events";
    sim->storeDirectory_ = sim->directory_ + "/store";
    std::filesystem::create_directory(sim->storeDirectory_);

    std::vector<std::string> args = {"ip",           "netns",
                                     "exec",         ns.name(),
                                     TAVRO_SIM_PATH, "--stop-on-eof",
                                     "--events",     sim->eventsPath_,
                                     "--store",      sim->storeDirectory_};
    for (const std::string& device : devices) {
        args.push_back("--device");
        args.push_back(device);
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // stdout carries "ready"; stdin stays open as long as this process lives, so that the
    // simulator ends by itself even when a test dies before its destructor runs.
    Pipe output;
    Pipe input;
    if (!output.Open() || !input.Open()) {
        why = "cannot make pipes for the simulator";
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, input.read, STDIN_FILENO);
    const int spawned = ::posix_spawnp(&sim->pid_, "ip", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    output.CloseWrite();
    sim->lifeline_ = std::exchange(input.write, -1);
    if (spawned != 0) {
        sim->pid_ = -1;
        why = "cannot start ip netns exec tavro-sim";
        return nullptr;
    }
    if (!AwaitReady(output.read, std::chrono::seconds(5))) {
        why = "tavro-sim did not report ready within 5 s (see its messages above)";
        return nullptr;  // the destructor ends it
    }
    return sim;
}

SimulatedDevices::~SimulatedDevices() {
    if (!Stop(std::chrono::seconds(3)) && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        Reap(pid_, std::chrono::seconds(3), status);
    }
    if (!directory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
}

bool SimulatedDevices::Stop(std::chrono::milliseconds grace) {
    if (lifeline_ >= 0) ::close(lifeline_);
    lifeline_ = -1;
    if (pid_ <= 0) return true;
    ::kill(pid_, SIGTERM);
    int status = 0;
    if (!Reap(pid_, grace, status)) return false;
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<SimEvent> SimulatedDevices::Events() const {
    std::vector<SimEvent> events;
    std::istringstream lines(ReadWholeFile(eventsPath_).value_or(""));
    std::string line;
    while (std::getline(lines, line)) {
        SimEvent event;
        std::istringstream fields(line);
        fields >> event.device >> event.kind;
        std::getline(fields >> std::ws, event.detail);
        events.push_back(std::move(event));
    }
    return events;
}

std::vector<std::string> SimulatedDevices::Events(const std::string& device,
                                                  const std::string& kind) const {
    std::vector<std::string> details;
    for (const SimEvent& event : Events()) {
        if (event.device == device && event.kind == kind) details.push_back(event.detail);
    }
    return details;
}

bool SimulatedDevices::WaitForEvent(const std::string& device, const std::string& kind,
                                    std::chrono::milliseconds limit) const {
    return WaitForEvents(device, kind, 1, limit);
}

bool SimulatedDevices::WaitForEvents(const std::string& device, const std::string& kind,
                                     std::size_t count, std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    while (Events(device, kind).size() < count) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::optional<std::string> SimulatedDevices::StoredImage(const std::string& device) const {
    return ReadWholeFile(storeDirectory_ + "/" + device + ".bin");
}

}  // namespace tavro::test
