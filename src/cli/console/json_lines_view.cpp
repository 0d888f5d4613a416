#include "cli/console/json_lines_view.h"

#include "cli/console/device_end_text.h"
#include "cli/console/device_record.h"
#include "cli/console/json_text.h"

namespace tavro::cli {
namespace {

// A device whose upload had not begun: nothing sent, no port, the file as every upload is
// given it.
batch::DeviceOutcome NotStarted(const batch::WriteTarget& target, const std::string& path,
                                bool verify) {
    batch::DeviceOutcome outcome;
    outcome.upload.result = -1;
    outcome.upload.filePath = path;
    outcome.upload.device = target.address;
    outcome.verifyAsked = verify;
    return outcome;
}

std::string InterruptedJsonLine(const batch::DeviceOutcome& outcome,
                                const batch::WriteTarget& target, texts::Language language,
                                int status) {
    return JsonText(InterruptedRecord(outcome, target, language, status)) + "\n";
}

}  // namespace

void RecordDevicesOnInterrupt(const ConsoleSettings& settings,
                              std::vector<batch::WriteTarget> targets) {
    std::vector<std::string> shown;
    for (const batch::WriteTarget& target : targets) shown.push_back(target.address.ToString());
    settings.job.BeginWrites(settings.file, std::move(shown));
    // The records are made from copies: the job outlives the command's own state.
    settings.job.RecordInterruptedOn(
        settings.out, [targets = std::move(targets), path = settings.path, verify = settings.verify,
                       language = settings.language](std::size_t device, int status) {
            return InterruptedJsonLine(NotStarted(targets[device], path, verify), targets[device],
                                       language, status);
        });
}

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
    settings_.job.SetEnded(device, OutcomeKey(outcome), &settings_.out,
                           JsonText(DeviceRecord(outcome, targets_[device], settings_.language,
                                                 settings_.verifyTimeout)) +
                               "\n");
}

void JsonLinesView::Concluded(const std::vector<batch::DeviceOutcome>&) { settings_.job.Finish(); }

std::string JsonLinesView::InterruptedLine(std::size_t device, int status) {
    batch::DeviceOutcome outcome = NotStarted(targets_[device], settings_.path, settings_.verify);
    std::lock_guard lock(mutex_);
    if (uploaded_[device]) {
        outcome.upload = *uploaded_[device];
        outcome.upload.device = targets_[device].address;
    } else {
        outcome.upload.bytesAcknowledged = sinks_[device]->acknowledged();
        outcome.upload.localPort = sinks_[device]->port();
    }
    if (started_[device]) {
        outcome.uploadSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - *started_[device])
                .count();
    }
    return InterruptedJsonLine(outcome, targets_[device], settings_.language, status);
}

}  // namespace tavro::cli
