#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "cli/exit_status.h"
#include "cli/stop_signals.h"

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
        const int status = signal == SIGINT ? kExitInterrupted : kExitTerminated;
        const std::optional<std::string> notice = job->Interrupt(kOutputWaitLimit, status);
        if (!notice) continue;
        WriteToStderr(*notice);
        std::_Exit(status);
    }
}

sigset_t StopSignals() {
    sigset_t signals;
    ::sigemptyset(&signals);
    ::sigaddset(&signals, SIGINT);
    ::sigaddset(&signals, SIGTERM);
    return signals;
}

}  // namespace

// Blocked in the calling thread, and so in every thread started from it later: only the
// watcher's sigwait takes them.
void HoldStopSignals() {
    const sigset_t signals = StopSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void WatchStopSignals(std::shared_ptr<JobState> job) {
    std::thread(AwaitStop, StopSignals(), std::move(job)).detach();
}

}  // namespace tavro::cli
