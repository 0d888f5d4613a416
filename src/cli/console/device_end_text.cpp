#include "cli/console/device_end_text.h"

#include <cstdio>

#include "cli/console/device_json.h"
#include "cli/console/terminal_text.h"
#include "texts/address_conflict_texts.h"
#include "texts/comeback_texts.h"
#include "texts/upload_texts.h"

namespace tavro::cli {
namespace {

std::string ShownOnTerminal(std::string_view text) { return TerminalText(text); }

}  // namespace

std::string SecondsText(std::chrono::milliseconds span) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::chrono::duration<double>(span).count());
    return text;
}

std::string OutcomeKey(const upload::UploadReport& report) {
    switch (report.result) {
        case upload::kUploadSucceeded:
            return "ok";
        case upload::kUploadRefused:
            if (report.cause == upload::UploadCause::NoAnswer) return "no-answer";
            if (report.cause == upload::UploadCause::BadAnswer ||
                report.cause == upload::UploadCause::UnreadableAnswer ||
                report.cause == upload::UploadCause::BadFinalWord) {
                return "bad-answer";
            }
            return "refused";
        case upload::kUploadFileError:
            return "file-error";
        case upload::kUploadInternalError:
            return "internal-error";
        default:
            return "network-error";
    }
}

bool TookImageUnverified(const batch::DeviceOutcome& outcome) {
    return outcome.uploaded() && outcome.verifyAsked &&
           outcome.comeback.state != batch::Comeback::Back;
}

std::string OutcomeKey(const batch::DeviceOutcome& outcome) {
    if (!outcome.conflict.empty()) return "address-conflict";
    if (!TookImageUnverified(outcome)) return OutcomeKey(outcome.upload);
    switch (outcome.comeback.state) {
        case batch::Comeback::BackUnreadable:
        case batch::Comeback::WatchFailed:
            return "unverified";
        default:
            return "not-back";
    }
}

std::string ConsoleCause(const upload::UploadReport& report, texts::Language language) {
    return texts::CauseText(report, language, ShownOnTerminal);
}

std::string OutcomeLines(const upload::UploadReport& report, texts::Language language) {
    std::string lines = texts::OutcomeText(report.result, language) + "\n";
    if (const std::string cause = ConsoleCause(report, language); !cause.empty()) {
        lines += cause + "\n";
    }
    return lines;
}

std::string EndText(const batch::DeviceOutcome& outcome, texts::Language language,
                    std::chrono::milliseconds verifyTimeout) {
    if (!outcome.conflict.empty()) return texts::AddressConflictShortText(language);
    std::string text = texts::OutcomeText(outcome.upload.result, language);
    if (!outcome.verifyAsked || !outcome.uploaded()) return text;
    const batch::ComebackVerdict& verdict = outcome.comeback;
    switch (verdict.state) {
        case batch::Comeback::Back:
            return text + texts::CameBackSuffix(VersionText(verdict.version.value_or(0)), language);
        case batch::Comeback::BackUnreadable:
            return text + texts::UnreadableVersionSuffix(language);
        case batch::Comeback::NeverLeft:
            return text + texts::NeverLeftSuffix(language);
        case batch::Comeback::WatchFailed:
            return text + texts::WatchFailedSuffix(verdict.localError, language);
        case batch::Comeback::NotAsked:
        case batch::Comeback::NotBack:
            break;
    }
    return text + texts::NotBackSuffix(SecondsText(verifyTimeout), language);
}

std::string VerdictCause(const batch::ComebackVerdict& verdict, texts::Language language,
                         std::chrono::milliseconds verifyTimeout) {
    switch (verdict.state) {
        case batch::Comeback::NeverLeft:
            return texts::NeverLeftText(language);
        case batch::Comeback::BackUnreadable:
            return texts::UnreadableVersionText(language);
        case batch::Comeback::WatchFailed:
            return texts::WatchFailedText(verdict.localError, language);
        default:
            return texts::NotBackCauseText(SecondsText(verifyTimeout), language);
    }
}

}  // namespace tavro::cli
