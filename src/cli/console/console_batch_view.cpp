#include "cli/console/console_batch_view.h"

#include "cli/console/device_end_text.h"
#include "cli/console/wrapped_lines.h"

namespace tavro::cli {

ConsoleBatchView::ConsoleBatchView(ConsoleSettings settings,
                                   const std::vector<batch::WriteTarget>& targets)
    : settings_(std::move(settings)), targets_(targets) {
    for (const batch::WriteTarget& target : targets_) shown_.push_back(target.address.ToString());
}

void ConsoleBatchView::Begin() {
    settings_.job.BeginWrites(settings_.file, shown_);
    for (std::size_t i = 0; i < targets_.size(); ++i) {
        UploadDisplay display = DisplayFor(i);
        display.log = settings_.log;
        display.logName = shown_[i];
        sinks_.push_back(std::make_unique<ConsoleUploadSink>(settings_.job, settings_.err, i,
                                                             std::move(display)));
    }
}

upload::UploadSink& ConsoleBatchView::Progress(std::size_t device) { return *sinks_[device]; }

void ConsoleBatchView::AwaitingComeback(std::size_t device, const upload::UploadReport& upload) {
    sinks_[device]->End();
    settings_.job.SetWaitingForReturn(device);
    ShowAwaiting(device, upload);
}

void ConsoleBatchView::Ended(std::size_t device, const batch::DeviceOutcome& outcome) {
    sinks_[device]->End();
    ShowEnded(device, outcome);
}

// The last column stays free, as on the redrawn lines.
std::string ConsoleBatchView::FinalLines(const std::ostream& stream, std::string lines) const {
    const Terminal& terminal = settings_.terminal;
    const bool shown = (&stream == &settings_.out && terminal.showsStdout) ||
                       (&stream == &settings_.err && terminal.showsStderr);
    if (!shown) return lines;
    return WrapToColumns(lines, SizeNow(terminal).columns - 1);
}

}  // namespace tavro::cli
