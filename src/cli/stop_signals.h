#pragma once

#include <memory>

#include "cli/job_state.h"

namespace tavro::cli {

// Holds the stop requests (SIGINT, SIGTERM and SIGHUP; Ctrl-C, Ctrl-Break and a console close
// on Windows) for WatchStopSignals: call it before any thread exists, so that no thread of the
// job is the one a request lands in.
void HoldStopSignals();

// Starts watching for those requests. When one arrives before the job concluded, the watcher
// prints the job's interrupt notice on stderr and ends the process at once with 130 (SIGINT,
// Ctrl-C), 129 (SIGHUP) or 143 (SIGTERM and the rest); the system closes every socket, so a
// device sees the connection end, and no outcome of the job is printed after the notice. The
// end comes within a second whatever stdout and stderr do: what the stop writes is dropped
// when a reader does not take it in time. A request after the job concluded is ignored: its
// outcome stands.
void WatchStopSignals(std::shared_ptr<JobState> job);

}  // namespace tavro::cli
