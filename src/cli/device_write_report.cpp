#include "cli/device_write_report.h"

#include <cstdio>

#include "cli/json_text.h"

namespace tavro::cli {

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
