#pragma once

#include <chrono>
#include <string_view>

namespace tavro::cli {

// Writes to the process's own standard descriptors (1 and 2), below any stream.

// Writes all of text, waiting as long as the reader makes it wait. 0 when it was written, else
// the system's error number (EPIPE when nobody reads, ENOSPC when the disk is full, ...).
int WriteWhole(int fd, std::string_view text);

// Writes as much of text as can be written before the deadline, never waiting past it; false
// when some of it could not be written in time or at all. What is left is dropped.
bool WriteBefore(int fd, std::string_view text, std::chrono::steady_clock::time_point deadline);

}  // namespace tavro::cli
