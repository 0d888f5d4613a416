#include "cli/job_state.h"

#include <cstdio>
#include <ostream>

namespace tavro::cli {

void JobState::BeginWrites(std::string file, std::vector<std::string> devices) {
    std::lock_guard lock(mutex_);
    job_ = Job::Write;
    file_ = std::move(file);
    devices_.clear();
    for (std::string& address : devices) {
        devices_.push_back(std::make_unique<Device>());
        devices_.back()->address = std::move(address);
    }
}

void JobState::BeginSearch(std::string localAddress) {
    std::lock_guard lock(mutex_);
    job_ = Job::Search;
    address_ = std::move(localAddress);
    started_ = std::chrono::steady_clock::now();
}

// Without the lock: it moves with every block, and the device list no longer changes.
void JobState::SetPercent(std::size_t device, int percent) {
    if (device < devices_.size()) devices_[device]->percent = percent;
}

void JobState::SetWaitingForReturn(std::size_t device) {
    std::lock_guard lock(mutex_);
    if (device < devices_.size()) devices_[device]->stage = Stage::WaitingForReturn;
}

void JobState::SetEnded(std::size_t device, std::string outcome, std::ostream* stream,
                        std::string_view text) {
    std::lock_guard lock(mutex_);
    if (device >= devices_.size() || phase_ == Phase::Interrupted) return;
    devices_[device]->stage = Stage::Ended;
    devices_[device]->outcome = std::move(outcome);
    if (stream != nullptr && !text.empty()) {
        *stream << text << std::flush;
    }
}

void JobState::RecordInterruptedOn(
    std::ostream& out, std::function<std::string(std::size_t device, int status)> record) {
    std::lock_guard lock(mutex_);
    interruptedOut_ = &out;
    interruptedRecord_ = std::move(record);
}

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

std::optional<std::string> JobState::Interrupt(std::chrono::milliseconds waitLimit, int status) {
    const std::optional<std::string> notice = MarkInterrupted(waitLimit, status);
    if (!notice) return notice;
    std::function<void(std::string_view)> hook;
    {
        std::lock_guard lock(hookMutex_);
        hook = interruptHook_;
    }
    if (hook) hook(*notice);
    return notice;
}

void JobState::OnInterrupt(std::function<void(std::string_view notice)> hook) {
    std::lock_guard lock(hookMutex_);
    interruptHook_ = std::move(hook);
}

std::optional<std::string> JobState::MarkInterrupted(std::chrono::milliseconds waitLimit,
                                                     int status) {
    std::unique_lock lock(mutex_, waitLimit);
    if (!lock.owns_lock()) return "\ntavro-writer-cli: interrupted\n";
    // Concluded: its outcome stands. Interrupted already: its records and notice are out.
    if (phase_ != Phase::Running) return std::nullopt;
    phase_ = Phase::Interrupted;
    if (interruptedOut_ != nullptr) {
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (devices_[i]->stage != Stage::Ended)
                *interruptedOut_ << interruptedRecord_(i, status);
        }
        *interruptedOut_ << std::flush;
    }
    return (lineOpen_ ? "\n" : "") + Notice();
}

std::string JobState::WriteNotice(const Device& device) const {
    const std::string prefix = "tavro-writer-cli: ";
    const int percent = device.percent;
    switch (device.stage) {
        case Stage::Ended:
            return prefix + "the write to " + device.address + " had ended (" + device.outcome +
                   ")";
        case Stage::WaitingForReturn:
            return prefix + "interrupted after " + file_ + " was written to " + device.address +
                   ", while waiting for the device to come back";
        case Stage::Uploading:
            break;
    }
    if (percent < 0) {
        return prefix + "interrupted before the transfer of " + file_ + " to " + device.address +
               " started";
    }
    if (percent == 100) {
        return prefix + "interrupted after all of " + file_ + " was sent to " + device.address +
               ", before the device confirmed it";
    }
    return prefix + "interrupted after " + std::to_string(percent) + "% of " + file_ +
           " was sent to " + device.address;
}

std::string JobState::Notice() const {
    switch (job_) {
        case Job::Write: {
            std::string notice;
            for (const auto& device : devices_) notice += WriteNotice(*device) + "\n";
            return notice;
        }
        case Job::Search: {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
            char elapsed[32];
            std::snprintf(elapsed, sizeof elapsed, "%.1f s", seconds);
            return std::string("tavro-writer-cli: interrupted ") + elapsed +
                   " into the search from " + address_ + ", before any device was listed\n";
        }
        case Job::None:
            break;
    }
    return "tavro-writer-cli: interrupted\n";
}

}  // namespace tavro::cli
