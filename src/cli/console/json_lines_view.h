#pragma once

#include <chrono>
#include <mutex>
#include <optional>

#include "cli/console/console_batch_view.h"

namespace tavro::cli {

// With --json, before the batch begins (while the search that comes first runs): a stop signal
// then still gives every device its record, as one whose upload had not started.
void RecordDevicesOnInterrupt(const ConsoleSettings& settings,
                              std::vector<batch::WriteTarget> targets);

// write --json: one JSON object per device on stdout, in the order the devices end, and for
// a device that a stop signal cut short its record then; no progress display.
class JsonLinesView final : public ConsoleBatchView {
public:
    JsonLinesView(ConsoleSettings settings, const std::vector<batch::WriteTarget>& targets);

    void Begin() override;
    upload::UploadSink& Progress(std::size_t device) override;
    void Concluded(const std::vector<batch::DeviceOutcome>& outcomes) override;

private:
    UploadDisplay DisplayFor(std::size_t device) override;
    void ShowAwaiting(std::size_t device, const upload::UploadReport& upload) override;
    void ShowEnded(std::size_t device, const batch::DeviceOutcome& outcome) override;
    // What is known of a device that has not ended, when a stop signal comes.
    std::string InterruptedLine(std::size_t device, int status);

    std::mutex mutex_;
    std::vector<std::optional<std::chrono::steady_clock::time_point>> started_;
    std::vector<std::optional<upload::UploadReport>> uploaded_;  // the upload had ended
};

}  // namespace tavro::cli
