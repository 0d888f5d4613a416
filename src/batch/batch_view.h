#pragma once

#include <cstddef>
#include <vector>

#include "batch/device_outcome.h"
#include "upload/upload_report.h"
#include "upload/upload_sink.h"

namespace tavro::batch {

// How a batch shows itself. Devices are named by their place in the batch. The engine calls
// it from as many threads as devices run at once: an implementation guards its own state.
class BatchView {
public:
    virtual ~BatchView() = default;

    // Before any device starts.
    virtual void Begin() = 0;
    // Where the device's upload reports its trace and its steps while it runs; the view keeps
    // the sink alive until the device has ended.
    virtual upload::UploadSink& Progress(std::size_t device) = 0;
    // The device took the image and the batch now waits for it to come back from its reset.
    virtual void AwaitingComeback(std::size_t device, const upload::UploadReport& upload) = 0;
    // The device's part is over, whatever became of it; once for every device.
    virtual void Ended(std::size_t device, const DeviceOutcome& outcome) = 0;
    // Every device has ended.
    virtual void Concluded(const std::vector<DeviceOutcome>& outcomes) = 0;
};

}  // namespace tavro::batch
