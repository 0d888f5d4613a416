#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/console/append_file.h"

namespace tavro::cli {

// write --log FILE: the trace of every device of a batch in one file for support, each line
// behind the moment it was complete (ISO 8601 in UTC, with milliseconds) and its source (a
// device's address, so that the lines of devices written at once can be told apart, or the
// program itself). The file is added to, never made empty: each run begins with a line that
// names the program, its version and the run's arguments. Each line is written whole the
// moment it is complete, so that a run ended by a signal, or killed, leaves no line half
// written and none in a buffer.
class TraceLog {
public:
    // The log at path (UTF-8), or nullptr with the reason when it cannot be opened or is no
    // regular file (a FIFO would hold the run behind a reader that never reads).
    static std::shared_ptr<TraceLog> Open(const std::string& path, std::string& why);

    // Whether the log is the file at path, by what the file is, not by how it is named.
    bool IsFileAt(const std::string& path) const;
    // Whether standard output (1) or standard error (2) goes to the log's file.
    bool IsWhereStandardStreamGoes(int stream) const;
    // Closes the log with nothing written into it; a file the opening made is removed again.
    void Abandon();

    // The run's first line: the program's name and version, then the arguments it was given,
    // each escaped as for a terminal, a password's value masked.
    void AddRunHeader(const std::vector<std::string>& arguments);

    // A device's part of the log, by the number AddDevice gave it: its trace as it comes,
    // written line by line; End writes what is left as a line of its own.
    std::size_t AddDevice(std::string device);
    void AddTrace(std::size_t device, std::string_view text);
    void EndTrace(std::size_t device);

    // The run is being stopped: every device's unfinished line, then each line of the notice
    // that tells how far the run got; nothing is written after. Waits at most waitLimit for a
    // line being written by another thread, after that writes only the notice.
    void Interrupt(std::string_view notice, std::chrono::milliseconds waitLimit);

    // False once a line could not be written whole (a full disk, an I/O error).
    bool Healthy() const { return !failed_; }

private:
    TraceLog(AppendFile file, std::string path, bool created)
        : file_(std::move(file)), path_(std::move(path)), created_(created) {}

    // source's line as a terminal may show it (a device's words escaped: the log is read on
    // one), its line end included or not; the caller holds the lock.
    void WriteLine(std::string_view source, std::string_view shown);

    std::optional<AppendFile> file_;
    std::string path_;
    bool created_;
    std::timed_mutex mutex_;
    std::vector<std::string> devices_;     // as the log names them
    std::vector<std::string> unfinished_;  // each device's trace since its last line end
    std::atomic<bool> failed_{false};
    std::atomic<bool> closed_{false};
};

// A device's trace as it goes into the log, when there is one.
class TraceLines {
public:
    TraceLines(TraceLog* log, std::string device)
        : log_(log), device_(log == nullptr ? 0 : log->AddDevice(std::move(device))) {}
    void Add(std::string_view text) {
        if (log_ != nullptr) log_->AddTrace(device_, text);
    }
    void End() {
        if (log_ != nullptr) log_->EndTrace(device_);
    }

private:
    TraceLog* log_;
    std::size_t device_;
};

}  // namespace tavro::cli
