#include "cli/console/single_device_view.h"

#include "cli/console/device_end_text.h"
#include "cli/console/device_json.h"
#include "texts/comeback_texts.h"
#include "texts/upload_texts.h"

namespace tavro::cli {

SingleDeviceView::SingleDeviceView(ConsoleSettings settings,
                                   const std::vector<batch::WriteTarget>& targets)
    : ConsoleBatchView(std::move(settings), targets),
      line_(settings_.job, settings_.err, settings_.terminal) {}

UploadDisplay SingleDeviceView::DisplayFor(std::size_t device) {
    UploadDisplay display{.device = shown_[device],
                          .language = settings_.language,
                          .trace = settings_.trace,
                          .tracePrefix = "",
                          .status = nullptr,
                          .now = settings_.now,
                          .log = nullptr,
                          .logName = {}};
    if (settings_.status) {
        display.status = [this](const UploadStatus& status) {
            line_.Show(status.text, status.milestone);
        };
    }
    return display;
}

void SingleDeviceView::ShowAwaiting(std::size_t device, const upload::UploadReport& upload) {
    line_.End();
    settings_.job.Show(settings_.out,
                       FinalLines(settings_.out, OutcomeLines(upload, settings_.language)));
    if (!settings_.status) return;
    settings_.job.Show(
        settings_.err,
        FinalLines(settings_.err,
                   texts::AwaitingComebackText(shown_[device], SecondsText(settings_.verifyTimeout),
                                               settings_.language) +
                       "\n"));
}

void SingleDeviceView::ShowEnded(std::size_t device, const batch::DeviceOutcome& outcome) {
    line_.End();
    settings_.job.SetEnded(device, OutcomeKey(outcome));
}

void SingleDeviceView::Concluded(const std::vector<batch::DeviceOutcome>& outcomes) {
    const batch::DeviceOutcome& outcome = outcomes.front();
    const texts::Language language = settings_.language;
    const auto conclude = [this](std::ostream& stream, std::string lines) {
        settings_.job.Conclude(stream, FinalLines(stream, std::move(lines)));
    };
    const batch::ComebackVerdict& verdict = outcome.comeback;
    if (!outcome.conflict.empty()) {
        conclude(settings_.err, EndText(outcome, language, settings_.verifyTimeout) + "\n");
    } else if (!outcome.verifyAsked || !outcome.uploaded()) {
        conclude(outcome.succeeded() ? settings_.out : settings_.err,
                 OutcomeLines(outcome.upload, language));
    } else if (verdict.state == batch::Comeback::Back) {
        conclude(settings_.out,
                 texts::CameBackText(shown_.front(), VersionText(verdict.version.value_or(0)),
                                     language) +
                     "\n");
    } else if (verdict.state == batch::Comeback::NotBack) {
        conclude(
            settings_.err,
            "tavro-writer-cli: " +
                texts::NotBackText(shown_.front(), SecondsText(settings_.verifyTimeout), language) +
                "\n");
    } else {
        conclude(settings_.err, "tavro-writer-cli: " + shown_.front() + ": " +
                                    VerdictCause(verdict, language, settings_.verifyTimeout) +
                                    "\n");
    }
}

}  // namespace tavro::cli
