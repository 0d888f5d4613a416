#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "cli/exit_status.h"
#include "cli/stop_signals.h"

namespace tavro::cli {
namespace {

// A write blocked on a full console must not keep the process from ending.
constexpr std::chrono::milliseconds kOutputWaitLimit{2000};

// The console calls the handler on a thread of its own, which has no way to carry the job; a
// process has one console and one watched job, so the job lives here.
std::shared_ptr<JobState>& WatchedJob() {
    static std::shared_ptr<JobState> job;
    return job;
}

void WriteToStderr(std::string_view text) {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    while (!text.empty()) {
        DWORD written = 0;
        if (!::WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written == 0) {
            return;
        }
        text.remove_prefix(written);
    }
}

BOOL WINAPI OnConsoleControl(DWORD request) {
    const std::shared_ptr<JobState> job = WatchedJob();
    if (!job) return FALSE;
    const int status = request == CTRL_C_EVENT ? kExitInterrupted : kExitTerminated;
    const std::optional<std::string> notice = job->Interrupt(kOutputWaitLimit, status);
    if (!notice) return TRUE;  // the job concluded: its outcome stands
    WriteToStderr(*notice);
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
