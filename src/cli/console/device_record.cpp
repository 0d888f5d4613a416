#include "cli/console/device_record.h"

#include "cli/console/device_end_text.h"
#include "cli/console/device_json.h"
#include "cli/device_status.h"
#include "net/socket_error.h"
#include "texts/address_conflict_texts.h"
#include "texts/comeback_texts.h"
#include "texts/upload_texts.h"

namespace tavro::cli {
namespace {

using upload::FileProblem;
using upload::UploadCause;

std::string AsItCame(std::string_view text) { return std::string(text); }

std::string FileCauseCode(FileProblem problem) {
    switch (problem) {
        case FileProblem::Missing:
            return "file-missing";
        case FileProblem::Directory:
            return "file-directory";
        case FileProblem::PermissionDenied:
            return "file-permission";
        case FileProblem::Empty:
            return "file-empty";
        case FileProblem::TooLarge:
            return "file-too-large";
        case FileProblem::Changed:
            return "file-changed";
        case FileProblem::SizeMismatch:
            return "file-size-mismatch";
        case FileProblem::Other:
        case FileProblem::None:
            break;
    }
    return "file-unreadable";
}

std::string UploadCauseCode(const upload::UploadReport& report) {
    switch (report.cause) {
        case UploadCause::None:
            return "";
        case UploadCause::FileUnusable:
            return FileCauseCode(report.fileProblem);
        case UploadCause::DigestFailed:
            return "digest-failed";
        case UploadCause::ListenerFailed:
            return report.result == 10048 ? "port-in-use" : "listen-failed";
        case UploadCause::InvitationFailed:
            return "udp-failed";
        case UploadCause::NoAnswer:
            return "no-answer";
        case UploadCause::BadAnswer:
            return "bad-answer";
        case UploadCause::UnreadableAnswer:
            return "unreadable-answer";
        case UploadCause::NoVerdict:
            return "no-verdict";
        case UploadCause::PasswordRefused:
            return "wrong-password";
        case UploadCause::NoConnectBack:
            return "no-connect-back";
        case UploadCause::ConnectionClosed:
            return "closed-early";
        case UploadCause::NoAcknowledgement:
            return "no-acknowledgement";
        case UploadCause::NoFinalWord:
            return "no-final-word";
        case UploadCause::BadFinalWord:
            return "final-word";
        case UploadCause::LocalShortage:
            return report.result == 10024 ? "too-many-files" : "no-buffers";
    }
    return "";
}

// A shortage of this computer's own is told apart from any other local failure: it is fixed
// by raising a limit, not by looking at the device.
std::string LocalErrorCode(int localError) {
    switch (localError) {
        case net::kErrorTooManySockets:
            return "too-many-files";
        case net::kErrorNoBuffers:
            return "no-buffers";
        default:
            return "local-error";
    }
}

std::string VerdictCauseCode(const batch::ComebackVerdict& verdict) {
    switch (verdict.state) {
        case batch::Comeback::NeverLeft:
            return "never-left";
        case batch::Comeback::BackUnreadable:
            return "version-unreadable";
        case batch::Comeback::WatchFailed:
            return LocalErrorCode(verdict.localError);
        default:
            return "not-back";
    }
}

std::vector<std::string> MacTexts(const std::vector<batch::Mac>& macs) {
    std::vector<std::string> texts;
    for (const batch::Mac& mac : macs) texts.push_back(MacText(mac));
    return texts;
}

Json OrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

Json FileRecord(const upload::UploadReport& report) {
    return {{"path", report.filePath},
            {"size", report.fileDigestHex.empty() ? Json(nullptr) : Json(report.bytesTotal)},
            {"md5", OrNull(report.fileDigestHex)}};
}

}  // namespace

std::string CauseCode(const batch::DeviceOutcome& outcome) {
    if (!outcome.conflict.empty()) return "address-conflict";
    if (TookImageUnverified(outcome)) return VerdictCauseCode(outcome.comeback);
    return UploadCauseCode(outcome.upload);
}

std::string DeviceCause(const batch::DeviceOutcome& outcome, const batch::WriteTarget& target,
                        texts::Language language, std::chrono::milliseconds verifyTimeout) {
    if (!outcome.conflict.empty()) {
        return texts::AddressConflictText(target.address.ToString(), MacTexts(outcome.conflict),
                                          language);
    }
    if (TookImageUnverified(outcome))
        return VerdictCause(outcome.comeback, language, verifyTimeout);
    return texts::CauseText(outcome.upload, language, AsItCame);
}

Json DeviceRecord(const batch::DeviceOutcome& outcome, const batch::WriteTarget& target,
                  texts::Language language, std::chrono::milliseconds verifyTimeout) {
    const upload::UploadReport& upload = outcome.upload;
    Json record = {
        {"device", target.address.ToString()},
        {"status", DeviceStatus(outcome)},
        {"result", upload.result},
        {"outcome", OutcomeKey(outcome)},
        {"cause", DeviceCause(outcome, target, language, verifyTimeout)},
        {"causeCode", CauseCode(outcome)},
        {"bytesSent", upload.bytesAcknowledged},
        {"seconds", outcome.seconds()},
        {"uploadSeconds", outcome.uploadSeconds},
        {"verifySeconds", outcome.verifySeconds},
        {"localPort", upload.localPort},
        {"file", FileRecord(upload)},
        {"mac", nullptr},
        {"versionBefore", nullptr},
    };
    if (target.before.mac) record["mac"] = MacText(*target.before.mac);
    if (target.before.sketchVersion) {
        record["versionBefore"] = VersionText(*target.before.sketchVersion);
    }
    if (outcome.verifyAsked) {
        const batch::ComebackVerdict& verdict = outcome.comeback;
        const bool verified = outcome.uploaded() && verdict.state == batch::Comeback::Back;
        record["verified"] = verified;
        record["version"] = verified && verdict.version ? VersionText(*verdict.version) : "";
    }
    return record;
}

Json InterruptedRecord(batch::DeviceOutcome outcome, const batch::WriteTarget& target,
                       texts::Language language, int status) {
    outcome.comeback = {};
    Json record = DeviceRecord(outcome, target, language, {});
    record["status"] = status;
    record["outcome"] = "interrupted";
    record["cause"] = texts::InterruptedText(language);
    record["causeCode"] = "interrupted";
    return record;
}

}  // namespace tavro::cli
