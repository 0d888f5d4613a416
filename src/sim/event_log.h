#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace tavro::sim {

// What the simulated devices saw and did, one line per event: "<device> <event> [detail]".
// A device notes what it sends before sending it, so that a test which has seen the writer
// finish finds every line. Lines go to the events file (appended and flushed at once, so a
// test reads them while the simulator runs) and, when verbose, to stderr. Safe to call from
// every device thread.
class EventLog {
public:
    // An empty path keeps no file. False when the file cannot be opened.
    bool Open(const std::string& path, bool verbose);
    void Record(std::string_view device, std::string_view event, std::string_view detail = {});

private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, CloseFile> file_;
    bool verbose_ = false;
};

}  // namespace tavro::sim
