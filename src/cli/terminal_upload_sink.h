#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "cli/job_state.h"
#include "texts/language.h"
#include "upload/upload_sink.h"

namespace tavro::cli {

// How one upload shows itself on stderr.
struct UploadDisplay {
    std::string device;  // as the user named it
    texts::Language language = texts::Language::English;
    bool trace = false;   // -v: the device conversation, nothing else
    bool status = false;  // a terminal: what is happening, then the bar, on one redrawn line
    std::function<std::chrono::steady_clock::time_point()> now;
};

// The upload as a terminal shows it: the trace with -v; on a terminal without -v, one line
// that says what the upload waits for and then carries the bar. The trace may carry a device's
// words, so it is escaped; a line end or a character cut between two pieces of the trace waits
// for the rest. Without either, nothing: a script reads only the result.
class TerminalUploadSink final : public upload::UploadSink {
public:
    TerminalUploadSink(JobState& job, std::ostream& err, UploadDisplay display);

    void AppendText(std::string_view text) override;
    void SetProgress(int percent) override;
    void ShowError(std::string_view text) override;
    void InvitationSent(int attempt, int attempts) override;
    void AwaitingConnection(net::Ipv4Address localAddress, std::uint16_t port) override;
    void BytesAcknowledged(std::int64_t acknowledged, std::int64_t total) override;

    // Ends the status line and shows what is left of the trace.
    void End();

private:
    // Redraws the one status line with `text`, wiping what a longer line left behind.
    void ShowStatus(const std::string& text);

    JobState& job_;
    std::ostream& err_;
    UploadDisplay display_;
    std::string pendingTrace_;
    std::size_t statusLength_ = 0;  // 0: no status line is open
    // The rate is measured from the first acknowledgement on.
    std::chrono::steady_clock::time_point firstAckAt_;
    std::int64_t firstAck_ = -1;
    std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace tavro::cli
