#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "discovery/device_table.h"
#include "upload/upload_report.h"

namespace tavro::batch {

using Mac = std::array<std::uint8_t, 6>;

// What the watch after a write found of the device's return from its reset. Only what the
// device showed counts: a search that failed here, or an answer that does not read, is never
// taken for a return.
enum class Comeback {
    NotAsked,        // no --verify, or nothing was written
    Back,            // it went away and answered again, same hardware address, a version that
                     // reads (or showed another version than before the write)
    BackUnreadable,  // it went away and answered again, but with a version that does not read
    NeverLeft,       // it answered with the version it had before through to the deadline
    NotBack,         // it went away and did not answer again by the deadline
    WatchFailed,     // this computer could not search or ask (localError): nothing is known
};

struct ComebackVerdict {
    Comeback state = Comeback::NotAsked;
    std::optional<discovery::DeviceRecord> row;  // as listed when it answered again
    std::optional<std::uint32_t> version;        // the version that read, for Back
    int localError = 0;                          // the socket code, for WatchFailed
};

// What became of one device of a batch: its upload's report and, when asked, whether it came
// back from its reset. Facts only; the views put them into words.
struct DeviceOutcome {
    upload::UploadReport upload;
    bool verifyAsked = false;
    // Two hardware addresses or more answered the search at the device's address: it was not
    // written, since a write there may reach either of them.
    std::vector<Mac> conflict;
    ComebackVerdict comeback;
    double uploadSeconds = 0;
    double verifySeconds = 0;

    double seconds() const { return uploadSeconds + verifySeconds; }
    bool uploaded() const { return conflict.empty() && upload.result == upload::kUploadSucceeded; }
    // Written, and back with a version that reads when that was asked.
    bool succeeded() const {
        return uploaded() && (!verifyAsked || comeback.state == Comeback::Back);
    }
};

}  // namespace tavro::batch
