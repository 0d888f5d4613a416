#pragma once

#include <vector>

#include "batch/device_outcome.h"
#include "upload/upload_result.h"

namespace tavro::cli {

// The process exit status for an upload's outcome: its own 0..3, 4 for any network code.
int ExitStatusFor(upload::UploadResult result);
// A device's own exit status: 1 for an address it was not written at (several devices answer
// there), its upload's, or 5 when it took the image but its return was not verified.
int DeviceStatus(const batch::DeviceOutcome& outcome);
// 0 when every device succeeded, else the status of the first one (in the batch's order) that
// failed. With --all the batch's order is the addresses' order, never the answers'.
int BatchStatus(const std::vector<batch::DeviceOutcome>& outcomes);

}  // namespace tavro::cli
