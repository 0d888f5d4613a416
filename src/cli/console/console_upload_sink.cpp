#include "cli/console/console_upload_sink.h"

#include "cli/console/terminal_text.h"
#include "texts/upload_texts.h"

namespace tavro::cli {
namespace {

// A line redrawn for every block would cost more than the block at high rates.
constexpr std::chrono::milliseconds kRedrawPeriod{100};
// A slow transfer still says now and then that it moves, between its tenths.
constexpr std::chrono::seconds kMilestonePeriod{5};

int TenthOf(std::int64_t acknowledged, std::int64_t total) {
    if (total <= 0 || acknowledged >= total) return 10;
    return static_cast<int>(acknowledged * 10 / total);
}

}  // namespace

ConsoleUploadSink::ConsoleUploadSink(JobState& job, std::ostream& err, std::size_t device,
                                     UploadDisplay display)
    : job_(job),
      err_(err),
      device_(device),
      display_(std::move(display)),
      logged_(display_.log, display_.logName) {}

void ConsoleUploadSink::AppendText(std::string_view text) {
    logged_.Add(text);
    if (!display_.trace) return;
    pendingTrace_ += text;
    ShowTrace();
}

// Alone, the trace goes out as it comes; beside other devices' traces only whole lines go,
// each behind its device's prefix.
void ConsoleUploadSink::ShowTrace() {
    if (display_.tracePrefix.empty()) {
        const std::size_t ready = TraceReadyLength(pendingTrace_);
        job_.Show(err_, TerminalTrace(std::string_view(pendingTrace_).substr(0, ready)));
        pendingTrace_.erase(0, ready);
        return;
    }
    std::string lines;
    for (std::size_t end; (end = pendingTrace_.find('\n')) != std::string::npos;) {
        lines += display_.tracePrefix +
                 TerminalTrace(std::string_view(pendingTrace_).substr(0, end + 1));
        pendingTrace_.erase(0, end + 1);
    }
    job_.Show(err_, lines);
}

void ConsoleUploadSink::SetProgress(int percent) { job_.SetPercent(device_, percent); }

void ConsoleUploadSink::ShowError(std::string_view text) {
    job_.Show(err_, display_.tracePrefix + "Error: " + TerminalText(text) + "\n");
}

void ConsoleUploadSink::InvitationSent(int attempt, int attempts) {
    if (!display_.status) return;
    display_.status({texts::InvitingText(display_.device, attempt, attempts, display_.language)});
}

void ConsoleUploadSink::AwaitingConnection(net::Ipv4Address localAddress, std::uint16_t port) {
    port_ = port;
    if (!display_.status) return;
    display_.status({texts::AwaitingText(display_.device, localAddress, port, display_.language)});
}

void ConsoleUploadSink::BytesAcknowledged(std::int64_t acknowledged, std::int64_t total) {
    acknowledged_ = acknowledged;
    if (!display_.status) return;
    const auto now = display_.now();
    if (firstAck_ < 0) {
        firstAck_ = acknowledged;
        firstAckAt_ = now;
    } else if (acknowledged < total && now - lastShown_ < kRedrawPeriod) {
        return;
    }
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - firstAckAt_).count();
    const double rate = seconds > 0 ? static_cast<double>(acknowledged - firstAck_) / seconds : 0.0;
    const int tenth = TenthOf(acknowledged, total);
    const bool milestone = tenth != lastMilestoneTenth_ || now - lastMilestone_ >= kMilestonePeriod;
    if (milestone) {
        lastMilestoneTenth_ = tenth;
        lastMilestone_ = now;
    }
    display_.status({texts::ProgressText(acknowledged, total, rate, display_.language), milestone});
}

void ConsoleUploadSink::End() {
    logged_.End();
    if (pendingTrace_.empty()) return;
    job_.Show(err_, display_.tracePrefix + TerminalTrace(pendingTrace_) +
                        (display_.tracePrefix.empty() ? "" : "\n"));
    pendingTrace_.clear();
}

}  // namespace tavro::cli
