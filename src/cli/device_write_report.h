#pragma once

#include <cstdint>
#include <string>

#include "upload/upload_report.h"
#include "upload/upload_result.h"

namespace tavro::cli {

// What became of one device of a write, as --json and the summary tell it.
struct DeviceWriteReport {
    std::string device;  // the address as given
    upload::UploadResult result = upload::kUploadSucceeded;
    // "ok", "no-answer", "refused", "bad-answer", "network-error", "file-error",
    // "internal-error" or "interrupted".
    std::string outcome;
    std::string cause;           // the failure in plain words; empty after a success
    std::int64_t bytesSent = 0;  // bytes the device acknowledged
    double seconds = 0;          // from the start of its upload to the end of its part
    int localPort = 0;           // the port it was asked to connect back to; 0 before one existed
    // With --verify: whether it came back from its reset, and the version it came back with.
    bool verifyAsked = false;
    bool back = false;
    std::string version;  // "1.20"; empty unless back
    int status = 0;       // the exit status this device alone gives

    bool succeeded() const { return status == 0; }
};

// The key of an upload's outcome. A refusal (1) is told apart by its cause: an answer that
// was no "OK", no answer to any invitation, or anything else.
std::string OutcomeKey(const upload::UploadReport& report);

// One JSON object on one line, "\n" included. Every field is always there with the same
// type; "verified" and "version" only with --verify. result is -1 for an interrupted device.
std::string ReportJson(const DeviceWriteReport& report);

}  // namespace tavro::cli
