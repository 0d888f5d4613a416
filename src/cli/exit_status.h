#pragma once

namespace tavro::cli {

// Exit statuses of tavro-writer-cli. The write command exits with the upload's own outcomes
// 0..3 and kExitNetworkError for every network failure.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNetworkError = 4;
// write --verify: the device took the image but did not come back from its reset in time.
inline constexpr int kExitNotBack = 5;
inline constexpr int kExitUsage = 64;
// A write to stdout or stderr failed (closed, no reader, no space); the job stopped there.
inline constexpr int kExitOutputFailure = 74;
// A stop signal ends a running job with 128 + its number, as shells report it.
inline constexpr int kExitHangUp = 129;       // SIGHUP
inline constexpr int kExitInterrupted = 130;  // SIGINT
inline constexpr int kExitTerminated = 143;   // SIGTERM

}  // namespace tavro::cli
