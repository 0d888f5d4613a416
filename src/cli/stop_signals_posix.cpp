#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "cli/console/console.h"
#include "cli/console/descriptor_writes.h"
#include "cli/console/guarded_output.h"
#include "cli/console/wrapped_lines.h"
#include "cli/exit_status.h"
#include "cli/stop_signals.h"

namespace tavro::cli {
namespace {

using Clock = std::chrono::steady_clock;

// A thread of the job may hold the job's lock while its write waits for a reader that never
// reads: the stop waits that long for the lock, then says no more than that the job stopped.
constexpr std::chrono::milliseconds kLockWait{200};
// What the stop writes is written by then (counted from the request) or dropped, whatever
// stdout and stderr do: the devices' JSON lines first, then the notice, which stderr may still
// take when stdout is stuck. The process ends well within a second.
constexpr std::chrono::milliseconds kRecordsWait{350};
constexpr std::chrono::milliseconds kNoticeWait{600};

int StatusFor(int signal) {
    switch (signal) {
        case SIGINT:
            return kExitInterrupted;
        case SIGHUP:
            return kExitHangUp;
        default:
            return kExitTerminated;
    }
}

// On a terminal the notice's lines are wrapped to its width, as every final line is.
std::string NoticeAsShown(const std::string& notice) {
    return StderrIsTerminal() ? WrapToColumns(notice, TerminalColumns() - 1) : notice;
}

[[noreturn]] void AwaitStop(sigset_t signals, std::shared_ptr<JobState> job) {
    while (true) {
        int signal = 0;
        if (::sigwait(&signals, &signal) != 0) continue;
        const Clock::time_point arrived = Clock::now();
        LimitOutputOfThisThread(arrived + kRecordsWait);
        const int status = StatusFor(signal);
        const std::optional<std::string> notice = job->Interrupt(kLockWait, status);
        if (!notice) continue;
        WriteBefore(STDERR_FILENO, NoticeAsShown(*notice), arrived + kNoticeWait);
        std::_Exit(status);
    }
}

sigset_t StopSignals() {
    sigset_t signals;
    ::sigemptyset(&signals);
    ::sigaddset(&signals, SIGINT);
    ::sigaddset(&signals, SIGTERM);
    ::sigaddset(&signals, SIGHUP);
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
