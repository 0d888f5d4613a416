#pragma once

#include <chrono>
#include <string>

#include "batch/device_outcome.h"
#include "texts/language.h"
#include "upload/upload_report.h"

namespace tavro::cli {

// A wait as the user gave it: "60", "0.3".
std::string SecondsText(std::chrono::milliseconds span);

// The key of an upload's outcome: "ok", "no-answer", "refused", "bad-answer",
// "network-error", "file-error" or "internal-error". A refusal (1) is told apart by its cause.
std::string OutcomeKey(const upload::UploadReport& report);

// The key of a device's outcome in a batch: the upload's key, but "address-conflict" for an
// address it was not written at, and for an image taken but not verified with --verify,
// "not-back" (no return from a reset was seen: gone, or never left) or "unverified" (it came
// back with a version that does not read, or this computer could not watch). Never "ok"
// unless the device succeeded.
std::string OutcomeKey(const batch::DeviceOutcome& outcome);

// Whether --verify was asked of a device that took the image and no return was verified.
bool TookImageUnverified(const batch::DeviceOutcome& outcome);

// The cause of a failed upload in one line of the terminal (a device's words escaped); empty
// after a success.
std::string ConsoleCause(const upload::UploadReport& report, texts::Language language);

// The outcome line and, after a failure, the cause line; each ends in "\n".
std::string OutcomeLines(const upload::UploadReport& report, texts::Language language);

// How a device of several ended, on its line: the outcome, and with --verify whether it came
// back ("Completed normally, back with version 1.20"); a conflict's address was not written.
std::string EndText(const batch::DeviceOutcome& outcome, texts::Language language,
                    std::chrono::milliseconds verifyTimeout);

// Why a device that took the image is not verified, in one line: it did not answer again, it
// never reset, its version does not read, or this computer could not watch.
std::string VerdictCause(const batch::ComebackVerdict& verdict, texts::Language language,
                         std::chrono::milliseconds verifyTimeout);

}  // namespace tavro::cli
