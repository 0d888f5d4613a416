#pragma once

namespace tavro::cli {

// Makes the standard descriptors safe to write before any socket exists: each of 0, 1 and 2
// that is closed at start is held on the null device, so no socket can take its number and
// receive what is meant for the terminal, and a write to a pipe nobody reads fails (EPIPE)
// instead of killing the process. False when stdout was closed at start (or could not be
// held): a run with nowhere to report is an output failure.
bool HoldStandardDescriptors();

}  // namespace tavro::cli
