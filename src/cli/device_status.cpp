#include "cli/device_status.h"

#include "cli/exit_status.h"

namespace tavro::cli {

int ExitStatusFor(upload::UploadResult result) {
    return (result >= upload::kUploadSucceeded && result <= upload::kUploadInternalError)
               ? result
               : kExitNetworkError;
}

int DeviceStatus(const batch::DeviceOutcome& outcome) {
    if (!outcome.uploaded()) return ExitStatusFor(outcome.upload.result);
    return outcome.succeeded() ? kExitOk : kExitNotBack;
}

int BatchStatus(const std::vector<batch::DeviceOutcome>& outcomes) {
    for (const batch::DeviceOutcome& outcome : outcomes) {
        if (const int status = DeviceStatus(outcome); status != kExitOk) return status;
    }
    return kExitOk;
}

}  // namespace tavro::cli
