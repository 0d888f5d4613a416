#include "cli/console/trace_log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "cli/console/terminal_text.h"

namespace tavro::cli {
namespace {

std::string Utc(std::chrono::system_clock::time_point at) {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm utc{};
#ifdef _WIN32
    ::gmtime_s(&utc, &seconds);
#else
    ::gmtime_r(&seconds, &utc);
#endif
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ",
                  static_cast<int>(milliseconds % 1000));
    return text;
}

}  // namespace

std::optional<TraceLog> TraceLog::Create(const std::string& path, std::string& why) {
    // A FIFO would hold the run at its opening, and every device behind a reader that never
    // reads; a device file is no log either.
    std::error_code ignored;
    const auto status = std::filesystem::status(
        std::filesystem::path(std::u8string(path.begin(), path.end())), ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        why = "not a regular file";
        return std::nullopt;
    }
    errno = 0;
    upload::OwnedFile file = upload::OpenFileForWriting(path);
    if (!file) {
        why = std::strerror(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    return TraceLog(std::move(file));
}

void TraceLog::AddLine(std::string_view device, std::string_view line) {
    // The device's words are escaped as on a terminal: the log is read on one.
    std::string entry = Utc(std::chrono::system_clock::now()) + " " + std::string(device) + ": ";
    entry += TerminalTrace(line);
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
    entry += '\n';
    std::lock_guard lock(*mutex_);
    std::fwrite(entry.data(), 1, entry.size(), file_.get());
}

bool TraceLog::Flush() {
    std::lock_guard lock(*mutex_);
    return std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
}

void TraceLines::Add(std::string_view text) {
    if (log_ == nullptr) return;
    pending_ += text;
    for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        log_->AddLine(device_, std::string_view(pending_).substr(0, end + 1));
        pending_.erase(0, end + 1);
    }
}

void TraceLines::End() {
    if (log_ != nullptr && !pending_.empty()) log_->AddLine(device_, pending_);
    pending_.clear();
}

}  // namespace tavro::cli
