#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "cli/console/trace_log.h"
#include "cli/job_state.h"
#include "texts/language.h"
#include "upload/upload_sink.h"

namespace tavro::cli {

// A step of the upload for its status line. The milestones are the steps that a terminal
// which cannot redraw shows as lines of their own: each invitation, the wait for the
// connection, every tenth of the transfer (or a few seconds of a slow one), its last byte.
struct UploadStatus {
    std::string text;
    bool milestone = true;
};

// How one device's upload shows itself on stderr.
struct UploadDisplay {
    std::string device;  // as the terminal shows it
    texts::Language language = texts::Language::English;
    bool trace = false;       // -v: stream the device conversation
    std::string tracePrefix;  // before every trace line when several devices trace at once
    // Where the upload's state goes as one line of text: its own redrawn line, or its line on
    // the board; unset, it is not shown.
    std::function<void(const UploadStatus& status)> status;
    std::function<std::chrono::steady_clock::time_point()> now;
    TraceLog* log = nullptr;  // write --log: the trace also goes there, whatever -v says
    std::string logName;      // the device as the log names it
};

// One device's upload on the console: its trace (escaped, for it may carry the device's words;
// a line end or a character cut between two pieces waits for the rest), and what it waits for,
// then its progress, as a status line. It also keeps how far the upload got, for a report of
// an interrupted device.
class ConsoleUploadSink final : public upload::UploadSink {
public:
    ConsoleUploadSink(JobState& job, std::ostream& err, std::size_t device, UploadDisplay display);

    void AppendText(std::string_view text) override;
    void SetProgress(int percent) override;
    void ShowError(std::string_view text) override;
    void InvitationSent(int attempt, int attempts) override;
    void AwaitingConnection(net::Ipv4Address localAddress, std::uint16_t port) override;
    void BytesAcknowledged(std::int64_t acknowledged, std::int64_t total) override;

    // Shows what is left of the trace.
    void End();

    std::int64_t acknowledged() const { return acknowledged_; }
    std::uint16_t port() const { return port_; }

private:
    void ShowTrace();

    JobState& job_;
    std::ostream& err_;
    std::size_t device_;
    UploadDisplay display_;
    std::string pendingTrace_;
    TraceLines logged_;
    std::atomic<std::int64_t> acknowledged_{0};
    std::atomic<std::uint16_t> port_{0};
    // The rate is measured from the first acknowledgement on.
    std::chrono::steady_clock::time_point firstAckAt_;
    std::int64_t firstAck_ = -1;
    std::chrono::steady_clock::time_point lastShown_;
    int lastMilestoneTenth_ = -1;
    std::chrono::steady_clock::time_point lastMilestone_;
};

}  // namespace tavro::cli
