#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>

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

// The console calls the handler on a thread of its own, which has no way to carry the job; a
// process has one console and one watched job, so the job lives here.
std::shared_ptr<JobState>& WatchedJob() {
    static std::shared_ptr<JobState> job;
    return job;
}

// On a terminal the notice's lines are wrapped to its width, as every final line is.
std::string NoticeAsShown(const std::string& notice) {
    return StderrIsTerminal() ? WrapToColumns(notice, TerminalColumns() - 1) : notice;
}

BOOL WINAPI OnConsoleControl(DWORD request) {
    const std::shared_ptr<JobState> job = WatchedJob();
    if (!job) return FALSE;
    const Clock::time_point arrived = Clock::now();
    LimitOutputOfThisThread(arrived + kRecordsWait);
    const int status = request == CTRL_C_EVENT ? kExitInterrupted : kExitTerminated;
    const std::optional<std::string> notice = job->Interrupt(kLockWait, status);
    if (!notice) return TRUE;  // the job concluded: its outcome stands
    WriteBefore(2, NoticeAsShown(*notice), arrived + kNoticeWait);
    std::_Exit(status);
}

}  // namespace

// The console's requests arrive on a thread of the console's own, whatever threads the job
// starts, so there is nothing to hold back here.
void HoldStopSignals() {}

void WatchStopSignals(std::shared_ptr<JobState> job) {
    WatchedJob() = std::move(job);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace tavro::cli
