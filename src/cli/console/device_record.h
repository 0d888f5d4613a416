#pragma once

#include <chrono>
#include <string>

#include "batch/device_outcome.h"
#include "batch/write_target.h"
#include "cli/console/json_text.h"
#include "texts/language.h"

namespace tavro::cli {

// A stable key for why a device failed, the same in every language: "wrong-password",
// "no-connect-back", "closed-early", "final-word", "file-missing", "address-conflict", and
// for an image taken but not verified "not-back", "never-left", "version-unreadable",
// "too-many-files", "local-error", ...; empty after a success.
std::string CauseCode(const batch::DeviceOutcome& outcome);

// What write --json tells of one device, every field always there with the same type:
// device, status, result, outcome, cause (in the locale's language), causeCode, bytesSent,
// seconds, uploadSeconds, verifySeconds, localPort, file {path, size, md5}, mac and
// versionBefore (null unless a search of this run saw the device, and then the hardware address
// that answered there), and with --verify verified and version. verifyTimeout is the wait
// for its return, as a cause may name it.
Json DeviceRecord(const batch::DeviceOutcome& outcome, const batch::WriteTarget& target,
                  texts::Language language, std::chrono::milliseconds verifyTimeout);

// The record of a device that a stop signal cut short: its upload's result when that had
// ended (-1 otherwise), outcome "interrupted", and how far it got.
Json InterruptedRecord(batch::DeviceOutcome outcome, const batch::WriteTarget& target,
                       texts::Language language, int status);

}  // namespace tavro::cli
