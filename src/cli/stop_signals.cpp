#include "cli/stop_signals.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "cli/exit_status.h"

namespace tavro::cli {
namespace {

// A write blocked on a full terminal must not keep the process from ending.
constexpr std::chrono::milliseconds kOutputWaitLimit{2000};

void WriteToStderr(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

[[noreturn]] void AwaitStop(sigset_t signals, std::shared_ptr<JobState> job) {
    while (true) {
        int signal = 0;
        if (::sigwait(&signals, &signal) != 0) continue;
        const std::optional<std::string> notice = job->Interrupt(kOutputWaitLimit);
        if (!notice) continue;
        WriteToStderr(*notice);
        std::_Exit(signal == SIGINT ? kExitInterrupted : kExitTerminated);
    }
}

}  // namespace

sigset_t BlockStopSignals() {
    sigset_t signals;
    ::sigemptyset(&signals);
    ::sigaddset(&signals, SIGINT);
    ::sigaddset(&signals, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

void WatchStopSignals(const sigset_t& signals, std::shared_ptr<JobState> job) {
    std::thread(AwaitStop, signals, std::move(job)).detach();
}

}  // namespace tavro::cli
