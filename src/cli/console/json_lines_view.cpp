#include "cli/console/json_lines_view.h"

#include "cli/console/device_end_text.h"
#include "cli/console/device_record.h"
#include "cli/console/json_text.h"

namespace tavro::cli {

JsonLinesView::JsonLinesView(ConsoleSettings settings,
                             const std::vector<batch::WriteTarget>& targets)
    : ConsoleBatchView(std::move(settings), targets),
      started_(targets.size()),
      uploaded_(targets.size()) {}

void JsonLinesView::Begin() {
    ConsoleBatchView::Begin();
    settings_.job.RecordInterruptedOn(settings_.out, [this](std::size_t device, int status) {
        return InterruptedLine(device, status);
    });
}

UploadDisplay JsonLinesView::DisplayFor(std::size_t device) {
    return {.device = shown_[device],
            .language = settings_.language,
            .trace = settings_.trace,
            .tracePrefix = settings_.trace && targets_.size() > 1 ? shown_[device] + ": " : "",
            .status = nullptr,
            .now = settings_.now,
            .log = nullptr,
            .logName = {}};
}

upload::UploadSink& JsonLinesView::Progress(std::size_t device) {
    {
        std::lock_guard lock(mutex_);
        started_[device] = std::chrono::steady_clock::now();
    }
    return ConsoleBatchView::Progress(device);
}

void JsonLinesView::ShowAwaiting(std::size_t device, const upload::UploadReport& upload) {
    std::lock_guard lock(mutex_);
    uploaded_[device] = upload;
}

void JsonLinesView::ShowEnded(std::size_t device, const batch::DeviceOutcome& outcome) {
    settings_.job.SetEnded(
        device, OutcomeKey(outcome.upload), &settings_.out,
        JsonText(DeviceRecord(outcome, targets_[device], settings_.language)) + "\n");
}

void JsonLinesView::Concluded(const std::vector<batch::DeviceOutcome>&) { settings_.job.Finish(); }

std::string JsonLinesView::InterruptedLine(std::size_t device, int status) {
    batch::DeviceOutcome outcome;
    std::lock_guard lock(mutex_);
    if (uploaded_[device]) {
        outcome.upload = *uploaded_[device];
    } else {
        outcome.upload.result = -1;
        outcome.upload.bytesAcknowledged = sinks_[device]->acknowledged();
        outcome.upload.localPort = sinks_[device]->port();
        outcome.upload.filePath = settings_.path;
    }
    outcome.verifyAsked = settings_.verify;
    outcome.upload.device = targets_[device].address;
    if (started_[device]) {
        outcome.uploadSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - *started_[device])
                .count();
    }
    return JsonText(InterruptedRecord(outcome, targets_[device], settings_.language, status)) +
           "\n";
}

}  // namespace tavro::cli
