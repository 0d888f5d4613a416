#include "sim/event_log.h"

namespace tavro::sim {

bool EventLog::Open(const std::string& path, bool verbose) {
    verbose_ = verbose;
    if (path.empty()) return true;
    file_.reset(std::fopen(path.c_str(), "a"));
    return file_ != nullptr;
}

void EventLog::Record(std::string_view device, std::string_view event, std::string_view detail) {
    std::string line(device);
    line += ' ';
    line += event;
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    line += '\n';
    const std::lock_guard lock(mutex_);
    if (file_) {
        std::fwrite(line.data(), 1, line.size(), file_.get());
        std::fflush(file_.get());
    }
    if (verbose_) std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace tavro::sim
