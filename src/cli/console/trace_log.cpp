#include "cli/console/trace_log.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "cli/console/shown_arguments.h"
#include "cli/console/terminal_text.h"
#include "version.h"

namespace tavro::cli {
namespace {

constexpr char kProgram[] = "tavro-writer-cli";

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

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

std::shared_ptr<TraceLog> TraceLog::Open(const std::string& path, std::string& why) {
    // A device file is no log, and opening one may already do something: it is not opened.
    std::error_code ignored;
    const auto status = std::filesystem::status(PathOf(path), ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        why = "not a regular file";
        return nullptr;
    }
    AppendFile::Opening opening = AppendFile::Open(path);
    if (!opening.file) {
        why = opening.why;
        return nullptr;
    }
    // What was swapped in after the look above.
    if (!opening.file->IsRegular()) {
        why = "not a regular file";
        return nullptr;
    }
    return std::shared_ptr<TraceLog>(new TraceLog(std::move(*opening.file), path, opening.created));
}

bool TraceLog::IsFileAt(const std::string& path) const {
    return file_ && !path.empty() && file_->IsFileAt(path);
}

bool TraceLog::IsWhereStandardStreamGoes(int stream) const {
    return file_ && file_->IsWhereStandardStreamGoes(stream);
}

void TraceLog::Abandon() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    file_.reset();
    std::error_code ignored;
    if (created_) std::filesystem::remove(PathOf(path_), ignored);
}

void TraceLog::AddRunHeader(const std::vector<std::string>& arguments) {
    std::lock_guard lock(mutex_);
    WriteLine(std::string(kProgram) + " " + kVersionText, ShownArguments(arguments));
}

std::size_t TraceLog::AddDevice(std::string device) {
    std::lock_guard lock(mutex_);
    devices_.push_back(std::move(device));
    unfinished_.emplace_back();
    return devices_.size() - 1;
}

void TraceLog::AddTrace(std::size_t device, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (device >= devices_.size()) return;
    std::string& pending = unfinished_[device];
    pending += text;
    std::size_t begin = 0;
    for (std::size_t end; (end = pending.find('\n', begin)) != std::string::npos; begin = end + 1) {
        WriteLine(devices_[device],
                  TerminalTrace(std::string_view(pending).substr(begin, end + 1 - begin)));
    }
    pending.erase(0, begin);
}

void TraceLog::EndTrace(std::size_t device) {
    std::lock_guard lock(mutex_);
    if (device >= devices_.size()) return;
    if (!unfinished_[device].empty()) {
        WriteLine(devices_[device], TerminalTrace(unfinished_[device]));
    }
    unfinished_[device].clear();
}

void TraceLog::Interrupt(std::string_view notice, std::chrono::milliseconds waitLimit) {
    std::unique_lock lock(mutex_, waitLimit);
    if (lock.owns_lock()) {
        for (std::size_t device = 0; device < devices_.size(); ++device) {
            if (!unfinished_[device].empty()) {
                WriteLine(devices_[device], TerminalTrace(unfinished_[device]));
            }
            unfinished_[device].clear();
        }
    }
    // Without the lock, the file is still only written by whole lines, each in one go. The
    // notice is already as a terminal shows it.
    while (!notice.empty()) {
        const std::size_t end = std::min(notice.find('\n'), notice.size());
        // The notice names the program at the start of each line already.
        const std::string_view line = notice.substr(0, end);
        const std::string prefix = std::string(kProgram) + ": ";
        if (line.starts_with(prefix)) {
            WriteLine(kProgram, line.substr(prefix.size()));
        } else if (!line.empty()) {
            WriteLine(kProgram, line);
        }
        notice.remove_prefix(std::min(end + 1, notice.size()));
    }
    closed_ = true;
}

void TraceLog::WriteLine(std::string_view source, std::string_view shown) {
    if (closed_ || !file_) return;
    std::string entry = Utc(std::chrono::system_clock::now()) + " " + std::string(source) + ": ";
    entry += shown;
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
    entry += '\n';
    // After a failed write (a full disk) the file may end in part of a line; no line goes
    // after it, where a reader would take the part for a whole one.
    if (failed_ || !file_->Append(entry)) failed_ = true;
}

}  // namespace tavro::cli
