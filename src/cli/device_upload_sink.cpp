#include "cli/device_upload_sink.h"

#include "cli/terminal_text.h"

namespace tavro::cli {

void DeviceUploadSink::AppendText(std::string_view text) {
    facts_.Feed(text);
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

void DeviceUploadSink::SetProgress(int percent) {
    ++acknowledgedBlocks_;
    job_.SetPercent(device_, percent);
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    if (view_.board != nullptr) view_.board->Set(device_, WriteBoard::Bar(percent));
    if (!view_.bar) return;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    job_.Show(err_, "\r[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] " +
                        std::to_string(percent) + "%");
    barShown_ = true;
}

void DeviceUploadSink::ShowError(std::string_view text) {
    job_.Show(err_, view_.tracePrefix + "Error: " + TerminalText(text) + "\n");
}

void DeviceUploadSink::End() {
    if (!pendingTrace_.empty()) {
        job_.Show(err_, view_.tracePrefix + TerminalTrace(pendingTrace_) +
                            (view_.tracePrefix.empty() ? "" : "\n"));
        pendingTrace_.clear();
    }
    if (barShown_) job_.Show(err_, "\n");
}

}  // namespace tavro::cli
