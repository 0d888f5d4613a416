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

// The cause of a failed upload in one line of the terminal (a device's words escaped); empty
// after a success.
std::string ConsoleCause(const upload::UploadReport& report, texts::Language language);

// The outcome line and, after a failure, the cause line; each ends in "\n".
std::string OutcomeLines(const upload::UploadReport& report, texts::Language language);

// How a device of several ended, on its line: the outcome, and with --verify whether it came
// back ("Completed normally, back with version 1.20").
std::string EndText(const batch::DeviceOutcome& outcome, texts::Language language,
                    std::chrono::milliseconds verifyTimeout);

}  // namespace tavro::cli
