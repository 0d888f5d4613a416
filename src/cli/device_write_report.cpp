#include "cli/device_write_report.h"

#include <cstdio>

#include "cli/exit_status.h"
#include "cli/json_text.h"

namespace tavro::cli {

int ExitStatusFor(upload::UploadResult result) {
    return (result >= upload::kUploadSucceeded && result <= upload::kUploadInternalError)
               ? result
               : kExitNetworkError;
}

std::string OutcomeKey(upload::UploadResult result, bool invitationUnanswered, bool badAnswer) {
    switch (result) {
        case upload::kUploadSucceeded:
            return "ok";
        case upload::kUploadRefused:
            // An answer's own bytes may hold any line; with no answer at all there are none.
            if (badAnswer) return "bad-answer";
            return invitationUnanswered ? "no-answer" : "refused";
        case upload::kUploadFileError:
            return "file-error";
        case upload::kUploadInternalError:
            return "internal-error";
        default:
            return "network-error";
    }
}

std::string ReportJson(const DeviceWriteReport& report) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", report.seconds);
    std::string json =
        "{\"device\":" + JsonString(report.device) +
        ",\"status\":" + std::to_string(report.status) +
        ",\"result\":" + std::to_string(report.result) +
        ",\"outcome\":" + JsonString(report.outcome) + ",\"cause\":" + JsonString(report.cause) +
        ",\"bytesSent\":" + std::to_string(report.bytesSent) + ",\"seconds\":" + seconds +
        ",\"localPort\":" + std::to_string(report.localPort);
    if (report.verifyAsked) {
        json += std::string(",\"verified\":") + (report.back ? "true" : "false") +
                ",\"version\":" + JsonString(report.version);
    }
    return json + "}\n";
}

}  // namespace tavro::cli
