#include "cli/device_status.h"

#include "cli/exit_status.h"

namespace tavro::cli {

int ExitStatusFor(upload::UploadResult result) {
    return (result >= upload::kUploadSucceeded && result <= upload::kUploadInternalError)
               ? result
               : kExitNetworkError;
}

int DeviceStatus(const batch::DeviceOutcome& outcome) {
    if (!outcome.conflict.empty()) return kExitFailure;
    if (!outcome.uploaded()) return ExitStatusFor(outcome.upload.result);
    // Only a return the watch saw is one; whatever else it found, or could not find out, is
    // no verification.
    const bool unverified = outcome.verifyAsked && outcome.comeback.state != batch::Comeback::Back;
    return unverified ? kExitNotBack : kExitOk;
}

int BatchStatus(const std::vector<batch::DeviceOutcome>& outcomes) {
    for (const batch::DeviceOutcome& outcome : outcomes) {
        if (const int status = DeviceStatus(outcome); status != kExitOk) return status;
    }
    return kExitOk;
}

}  // namespace tavro::cli
