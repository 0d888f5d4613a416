#pragma once

#include <optional>

#include "discovery/device_table.h"
#include "upload/upload_report.h"

namespace tavro::batch {

// What became of one device of a batch: its upload's report and, when asked, whether it came
// back from its reset. Facts only; the views put them into words.
struct DeviceOutcome {
    upload::UploadReport upload;
    bool verifyAsked = false;
    std::optional<discovery::DeviceRecord> cameBack;  // the row it was listed with again
    double uploadSeconds = 0;
    double verifySeconds = 0;

    double seconds() const { return uploadSeconds + verifySeconds; }
    bool uploaded() const { return upload.result == upload::kUploadSucceeded; }
    // Written, and back when that was asked.
    bool succeeded() const { return uploaded() && (!verifyAsked || cameBack.has_value()); }
};

}  // namespace tavro::batch
