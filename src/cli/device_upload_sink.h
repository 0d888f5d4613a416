#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "cli/job_state.h"
#include "cli/write_board.h"
#include "texts/language.h"
#include "upload/upload_sink.h"

namespace tavro::cli {

// How one device's upload of a write to several shows itself on stderr.
struct UploadView {
    std::string device;  // as the terminal shows it
    texts::Language language = texts::Language::English;
    bool verbose = false;         // stream the trace
    std::string tracePrefix;      // before every trace line when several devices trace at once
    WriteBoard* board = nullptr;  // the device's line: what it waits for, then its bar
    std::function<std::chrono::steady_clock::time_point()> now;
};

// The upload of one device beside others: its trace, and what it is doing on its own line of
// the board. The trace may carry a device's words, so it is escaped; a line end or a character
// that is cut between two pieces of the trace waits for the rest.
class DeviceUploadSink final : public upload::UploadSink {
public:
    DeviceUploadSink(JobState& job, std::ostream& err, std::size_t device, UploadView view)
        : job_(job), err_(err), device_(device), view_(std::move(view)) {}

    void AppendText(std::string_view text) override;
    void SetProgress(int percent) override;
    void ShowError(std::string_view text) override;
    void InvitationSent(int attempt, int attempts) override;
    void AwaitingConnection(net::Ipv4Address localAddress, std::uint16_t port) override;
    void BytesAcknowledged(std::int64_t acknowledged, std::int64_t total) override;

    // Shows what is left of the trace.
    void End();

private:
    void ShowTrace();

    JobState& job_;
    std::ostream& err_;
    std::size_t device_;
    UploadView view_;
    std::string pendingTrace_;
    // The rate is measured from the first acknowledgement on.
    std::chrono::steady_clock::time_point firstAckAt_;
    std::int64_t firstAck_ = -1;
};

}  // namespace tavro::cli
