#pragma once

#include <vector>

#include "batch/batch_plan.h"
#include "batch/batch_view.h"
#include "batch/device_outcome.h"
#include "batch/write_target.h"
#include "services/core_services.h"

namespace tavro::batch {

// Writes the file into every target from the plan's local address, at most plan.jobs at a
// time, each with its own upload. Every device receives the same image, measured once; a
// fixed local port is one listener that all of them share. With plan.verify, waits for each
// one that took the image to come back. Tells the view as it goes; the outcomes come in the
// targets' order.
// The file's absolute path, in UTF-8 as it came: what every upload of the batch is given.
std::string AbsoluteUtf8Path(const std::string& file);

std::vector<DeviceOutcome> WriteBatch(const CoreServices& services, const BatchPlan& plan,
                                      const std::vector<WriteTarget>& targets, BatchView& view);

}  // namespace tavro::batch
