#include "cli/console/board_view.h"

#include <cstdio>

#include "cli/console/device_end_text.h"
#include "texts/comeback_texts.h"

namespace tavro::cli {

BoardView::BoardView(ConsoleSettings settings, const std::vector<batch::WriteTarget>& targets)
    : ConsoleBatchView(std::move(settings), targets) {
    if (settings_.status) {
        board_ = std::make_unique<WriteBoard>(settings_.job, settings_.err, shown_,
                                              settings_.terminal, settings_.language);
    }
}

UploadDisplay BoardView::DisplayFor(std::size_t device) {
    UploadDisplay display{.device = shown_[device],
                          .language = settings_.language,
                          .trace = settings_.trace,
                          .tracePrefix = settings_.trace ? shown_[device] + ": " : "",
                          .status = nullptr,
                          .now = settings_.now,
                          .log = nullptr,
                          .logName = {}};
    if (board_) {
        display.status = [this, device](const UploadStatus& status) {
            board_->Set(device, status.text, BoardPhase::Writing, status.milestone);
        };
    }
    return display;
}

void BoardView::ShowAwaiting(std::size_t device, const upload::UploadReport&) {
    if (board_) {
        board_->Set(device, texts::AwaitingComebackShortText(settings_.language),
                    BoardPhase::ComingBack);
    }
}

void BoardView::ShowEnded(std::size_t device, const batch::DeviceOutcome& outcome) {
    settings_.job.SetEnded(device, OutcomeKey(outcome));
    if (board_) {
        board_->Set(device, EndText(outcome, settings_.language, settings_.verifyTimeout),
                    outcome.succeeded() ? BoardPhase::Succeeded : BoardPhase::Failed);
    }
}

// "ADDRESS  SECONDS  OUTCOME" for every device, and under a failed one its cause.
void BoardView::Concluded(const std::vector<batch::DeviceOutcome>& outcomes) {
    if (board_) board_->End();
    std::string summary;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const batch::DeviceOutcome& outcome = outcomes[i];
        char line[64];
        std::snprintf(line, sizeof line, "%-15s %7.1f s  ", shown_[i].c_str(), outcome.seconds());
        summary += line + EndText(outcome, settings_.language, settings_.verifyTimeout) + "\n";
        if (const std::string cause = ConsoleCause(outcome.upload, settings_.language);
            !cause.empty()) {
            summary += "    " + cause + "\n";
        }
    }
    settings_.job.Conclude(settings_.out, FinalLines(settings_.out, summary));
}

}  // namespace tavro::cli
