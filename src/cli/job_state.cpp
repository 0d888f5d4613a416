#include "cli/job_state.h"

#include <cstdio>
#include <ostream>

namespace tavro::cli {

void JobState::BeginWrite(std::string file, std::string device) {
    std::lock_guard lock(mutex_);
    job_ = Job::Write;
    file_ = std::move(file);
    address_ = std::move(device);
}

void JobState::BeginSearch(std::string localAddress) {
    std::lock_guard lock(mutex_);
    job_ = Job::Search;
    address_ = std::move(localAddress);
    started_ = std::chrono::steady_clock::now();
}

void JobState::SetPercent(int percent) { percent_ = percent; }

void JobState::Show(std::ostream& stream, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (phase_ == Phase::Interrupted || text.empty()) return;
    stream << text << std::flush;
    lineOpen_ = text.back() != '\n';
}

bool JobState::Conclude(std::ostream& stream, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (phase_ == Phase::Interrupted) return false;
    stream << text << std::flush;
    phase_ = Phase::Concluded;
    return true;
}

void JobState::Finish() {
    std::lock_guard lock(mutex_);
    if (phase_ == Phase::Running) phase_ = Phase::Concluded;
}

std::optional<std::string> JobState::Interrupt(std::chrono::milliseconds waitLimit) {
    std::unique_lock lock(mutex_, waitLimit);
    if (!lock.owns_lock()) return "\ntavro-writer-cli: interrupted\n";
    if (phase_ == Phase::Concluded) return std::nullopt;
    phase_ = Phase::Interrupted;
    return (lineOpen_ ? "\n" : "") + Notice() + "\n";
}

std::string JobState::Notice() const {
    const std::string prefix = "tavro-writer-cli: interrupted";
    const int percent = percent_;
    switch (job_) {
        case Job::Write:
            if (percent < 0) {
                return prefix + " before the transfer of " + file_ + " to " + address_ + " started";
            }
            if (percent == 100) {
                return prefix + " after all of " + file_ + " was sent to " + address_ +
                       ", before the device confirmed it";
            }
            return prefix + " after " + std::to_string(percent) + "% of " + file_ +
                   " was sent to " + address_;
        case Job::Search: {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
            char elapsed[32];
            std::snprintf(elapsed, sizeof elapsed, "%.1f s", seconds);
            return prefix + " " + elapsed + " into the search from " + address_ +
                   ", before any device was listed";
        }
        case Job::None:
            break;
    }
    return prefix;
}

}  // namespace tavro::cli
