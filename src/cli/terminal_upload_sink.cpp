#include "cli/terminal_upload_sink.h"

#include <ostream>

#include "cli/terminal_text.h"
#include "texts/upload_texts.h"

namespace tavro::cli {
namespace {

// A bar redrawn for every block would cost more than the block at high rates.
constexpr std::chrono::milliseconds kRedrawPeriod{100};

}  // namespace

TerminalUploadSink::TerminalUploadSink(JobState& job, std::ostream& err, UploadDisplay display)
    : job_(job), err_(err), display_(std::move(display)) {}

void TerminalUploadSink::AppendText(std::string_view text) {
    if (!display_.trace) return;
    pendingTrace_ += text;
    const std::size_t ready = TraceReadyLength(pendingTrace_);
    job_.Show(err_, TerminalTrace(std::string_view(pendingTrace_).substr(0, ready)));
    pendingTrace_.erase(0, ready);
}

void TerminalUploadSink::SetProgress(int percent) { job_.SetPercent(percent); }

void TerminalUploadSink::ShowError(std::string_view text) {
    if (statusLength_ != 0) job_.Show(err_, "\n");
    statusLength_ = 0;
    job_.Show(err_, "Error: " + TerminalText(text) + "\n");
}

void TerminalUploadSink::InvitationSent(int attempt, int attempts) {
    if (!display_.status) return;
    ShowStatus(texts::InvitingText(display_.device, attempt, attempts, display_.language));
}

void TerminalUploadSink::AwaitingConnection(net::Ipv4Address localAddress, std::uint16_t port) {
    if (!display_.status) return;
    ShowStatus(texts::AwaitingText(display_.device, localAddress, port, display_.language));
}

void TerminalUploadSink::BytesAcknowledged(std::int64_t acknowledged, std::int64_t total) {
    if (!display_.status) return;
    const auto now = display_.now();
    if (firstAck_ < 0) {
        firstAck_ = acknowledged;
        firstAckAt_ = now;
    } else if (acknowledged < total && now - lastDrawn_ < kRedrawPeriod) {
        return;
    }
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - firstAckAt_).count();
    const double rate = seconds > 0 ? static_cast<double>(acknowledged - firstAck_) / seconds : 0.0;
    ShowStatus(texts::ProgressText(acknowledged, total, rate, display_.language));
}

void TerminalUploadSink::ShowStatus(const std::string& text) {
    const std::size_t wipe = statusLength_ > text.size() ? statusLength_ - text.size() : 0;
    job_.Show(err_, "\r" + text + std::string(wipe, ' '));
    statusLength_ = text.size();
}

void TerminalUploadSink::End() {
    if (!pendingTrace_.empty()) job_.Show(err_, TerminalTrace(pendingTrace_));
    pendingTrace_.clear();
    if (statusLength_ != 0) job_.Show(err_, "\n");
    statusLength_ = 0;
}

}  // namespace tavro::cli
