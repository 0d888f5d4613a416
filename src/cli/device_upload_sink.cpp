#include "cli/device_upload_sink.h"

#include "cli/terminal_text.h"
#include "texts/upload_texts.h"

namespace tavro::cli {

void DeviceUploadSink::AppendText(std::string_view text) {
    if (!view_.verbose) return;
    pendingTrace_ += text;
    ShowTrace();
}

// Alone, the trace goes out as it comes; beside other devices' traces only whole lines go,
// each behind its device's prefix.
void DeviceUploadSink::ShowTrace() {
    if (view_.tracePrefix.empty()) {
        const std::size_t ready = TraceReadyLength(pendingTrace_);
        job_.Show(err_, TerminalTrace(std::string_view(pendingTrace_).substr(0, ready)));
        pendingTrace_.erase(0, ready);
        return;
    }
    std::string lines;
    std::size_t end = 0;
    while ((end = pendingTrace_.find('\n')) != std::string::npos) {
        lines +=
            view_.tracePrefix + TerminalTrace(std::string_view(pendingTrace_).substr(0, end + 1));
        pendingTrace_.erase(0, end + 1);
    }
    job_.Show(err_, lines);
}

void DeviceUploadSink::SetProgress(int percent) { job_.SetPercent(device_, percent); }

void DeviceUploadSink::ShowError(std::string_view text) {
    job_.Show(err_, view_.tracePrefix + "Error: " + TerminalText(text) + "\n");
}

void DeviceUploadSink::InvitationSent(int attempt, int attempts) {
    if (view_.board == nullptr) return;
    view_.board->Set(device_, texts::InvitingText(view_.device, attempt, attempts, view_.language));
}

void DeviceUploadSink::AwaitingConnection(net::Ipv4Address localAddress, std::uint16_t port) {
    if (view_.board == nullptr) return;
    view_.board->Set(device_,
                     texts::AwaitingText(view_.device, localAddress, port, view_.language));
}

// The board itself throttles its redraws; the rate is worked out for every block.
void DeviceUploadSink::BytesAcknowledged(std::int64_t acknowledged, std::int64_t total) {
    if (view_.board == nullptr) return;
    const auto now = view_.now();
    if (firstAck_ < 0) {
        firstAck_ = acknowledged;
        firstAckAt_ = now;
    }
    const double seconds = std::chrono::duration<double>(now - firstAckAt_).count();
    const double rate = seconds > 0 ? static_cast<double>(acknowledged - firstAck_) / seconds : 0.0;
    view_.board->Set(device_, texts::ProgressText(acknowledged, total, rate, view_.language));
}

void DeviceUploadSink::End() {
    if (pendingTrace_.empty()) return;
    job_.Show(err_, view_.tracePrefix + TerminalTrace(pendingTrace_) +
                        (view_.tracePrefix.empty() ? "" : "\n"));
    pendingTrace_.clear();
}

}  // namespace tavro::cli
