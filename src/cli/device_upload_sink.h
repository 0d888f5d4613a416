#pragma once

#include <iosfwd>
#include <string>

#include "cli/job_state.h"
#include "cli/trace_facts.h"
#include "cli/write_board.h"
#include "upload/upload_sink.h"

namespace tavro::cli {

// How one device's upload shows itself on stderr.
struct UploadView {
    bool verbose = false;         // stream the trace
    bool bar = false;             // a progress bar on its own line (a write to one device)
    std::string tracePrefix;      // before every trace line when several devices trace at once
    WriteBoard* board = nullptr;  // the device's line on the board (a write to several)
};

// The upload of one device as the terminal shows it, and what it learns for the report. The
// trace may carry a device's words, so it is escaped; a line end or a character that is cut
// between two pieces of the trace waits for the rest.
class DeviceUploadSink final : public upload::UploadSink {
public:
    DeviceUploadSink(JobState& job, std::ostream& err, std::size_t device, UploadView view)
        : job_(job), err_(err), device_(device), view_(std::move(view)) {}

    void AppendText(std::string_view text) override;
    void SetProgress(int percent) override;
    void ShowError(std::string_view text) override;

    // Ends the bar's line and shows what is left of the trace.
    void End();

    // The upload moves its progress once for every block the device acknowledged.
    std::int64_t acknowledgedBlocks() const { return acknowledgedBlocks_; }
    const TraceFacts& facts() const { return facts_; }

private:
    void ShowTrace();

    JobState& job_;
    std::ostream& err_;
    std::size_t device_;
    UploadView view_;
    bool barShown_ = false;
    int shownPercent_ = -1;
    std::string pendingTrace_;
    std::int64_t acknowledgedBlocks_ = 0;
    TraceFacts facts_;
};

}  // namespace tavro::cli
