#pragma once

#include <signal.h>

#include <memory>

#include "cli/job_state.h"

namespace tavro::cli {

// Blocks SIGINT and SIGTERM in the calling thread, and so in every thread started from it
// later: call it before any thread exists. Returns the set that was blocked.
sigset_t BlockStopSignals();

// Starts a thread that waits for those signals. When one arrives before the job concluded, the
// thread prints the job's interrupt notice on stderr and ends the process at once with
// 130 (SIGINT) or 143 (SIGTERM); the kernel closes every socket, so a device sees the connection
// end, and no outcome of the job is printed after the notice. A signal after the job
// concluded is ignored: its outcome stands.
void WatchStopSignals(const sigset_t& signals, std::shared_ptr<JobState> job);

}  // namespace tavro::cli
