#pragma once

#include "cli/console/console_batch_view.h"
#include "cli/console/status_line.h"

namespace tavro::cli {

// One device written alone, as a single write has always shown itself: on a terminal one
// redrawn line that says what the upload waits for and then carries the bar; the outcome on
// stdout after a success, on stderr with its cause after a failure; with --verify, then
// whether the device came back.
class SingleDeviceView final : public ConsoleBatchView {
public:
    SingleDeviceView(ConsoleSettings settings, const std::vector<batch::WriteTarget>& targets);

    void Concluded(const std::vector<batch::DeviceOutcome>& outcomes) override;

private:
    UploadDisplay DisplayFor(std::size_t device) override;
    void ShowAwaiting(std::size_t device, const upload::UploadReport& upload) override;
    void ShowEnded(std::size_t device, const batch::DeviceOutcome& outcome) override;

    StatusLine line_;
};

}  // namespace tavro::cli
