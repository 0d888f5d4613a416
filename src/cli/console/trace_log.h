#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "upload/file_by_path.h"

namespace tavro::cli {

// write --log FILE: the trace of every device of a batch in one file for support, each line
// behind the moment it was complete (ISO 8601 in UTC, with milliseconds) and its device's
// address, so that the lines of devices written at once can be told apart.
class TraceLog {
public:
    // nullopt, with the reason, when the file cannot be made or is no regular file.
    static std::optional<TraceLog> Create(const std::string& path, std::string& why);

    // One whole line of a device's trace, its line end included or not.
    void AddLine(std::string_view device, std::string_view line);
    // False once a write to the file has failed.
    bool Flush();

private:
    explicit TraceLog(upload::OwnedFile file)
        : file_(std::move(file)), mutex_(std::make_unique<std::mutex>()) {}

    upload::OwnedFile file_;
    std::unique_ptr<std::mutex> mutex_;
};

// A device's trace cut into whole lines for the log; what is left waits for the rest.
class TraceLines {
public:
    TraceLines(TraceLog* log, std::string device) : log_(log), device_(std::move(device)) {}
    void Add(std::string_view text);
    void End();

private:
    TraceLog* log_;
    std::string device_;
    std::string pending_;
};

}  // namespace tavro::cli
