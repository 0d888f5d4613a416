#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/exit_status.h"

namespace tavro::cli {

// How far the running command has got, shared by the threads that run it and the thread that
// waits for a stop signal. The command prints through it, so that nothing of the job appears
// after the interrupt notice, and the notice never lands inside a progress line. A write to
// several devices keeps how far each one got.
class JobState {
public:
    // Texts are as the terminal shows them (already escaped).
    void BeginWrite(std::string file, std::string device) {
        BeginWrites(std::move(file), {device});
    }
    void BeginWrites(std::string file, std::vector<std::string> devices);
    void BeginSearch(std::string localAddress);
    // The share of the image the device (by its place in the list) has acknowledged.
    void SetPercent(int percent) { SetPercent(0, percent); }
    void SetPercent(std::size_t device, int percent);
    // The device took the image and the job waits for it to come back from its reset.
    void SetWaitingForReturn(std::size_t device);
    // The device's part is over; outcome names how it ended ("ok", "refused", ...). text, when
    // given, goes to stream at the same moment unless the job was interrupted: a device's
    // line is written either by its end or by the interrupt, never by both or neither.
    void SetEnded(std::size_t device, std::string outcome, std::ostream* stream = nullptr,
                  std::string_view text = {});
    // With --json: on an interrupt, record(device, status) is written to out for every device
    // whose part had not ended, so that each device still has its line.
    void RecordInterruptedOn(std::ostream& out,
                             std::function<std::string(std::size_t device, int status)> record);

    // Writes text and flushes, unless the job was interrupted.
    void Show(std::ostream& stream, std::string_view text);
    // Writes the job's outcome unless the job was interrupted; from then on a stop signal no
    // longer interrupts it. False when the job had been interrupted and nothing was written.
    bool Conclude(std::ostream& stream, std::string_view text);
    // The job is over without an outcome of its own to print.
    void Finish();

    // Marks the job interrupted and returns the notice for stderr: a line end first when a
    // line (the progress bar, a trace line) is open, then what was done, ending in "\n" (a
    // line per device when there are several). nullopt when the job had concluded first: its
    // outcome stands. Waits at most waitLimit for a write in progress; after that the notice
    // says no more than that the job stopped. status is the exit status the process ends with.
    std::optional<std::string> Interrupt(std::chrono::milliseconds waitLimit,
                                         int status = kExitInterrupted);
    // hook(notice) runs when Interrupt interrupts the job, on the stopping thread before the
    // process ends, so that what keeps the job's record beside the terminal (write --log) can
    // complete it. It must end within a fraction of a second whatever the job's threads do.
    void OnInterrupt(std::function<void(std::string_view notice)> hook);

private:
    enum class Job { None, Write, Search };
    enum class Phase { Running, Concluded, Interrupted };
    enum class Stage { Uploading, WaitingForReturn, Ended };

    struct Device {
        std::string address;
        std::atomic<int> percent{-1};
        Stage stage = Stage::Uploading;
        std::string outcome;
    };

    std::optional<std::string> MarkInterrupted(std::chrono::milliseconds waitLimit, int status);
    std::string Notice() const;
    std::string WriteNotice(const Device& device) const;

    std::timed_mutex mutex_;
    Phase phase_ = Phase::Running;
    Job job_ = Job::None;
    std::string file_;
    std::string address_;
    std::chrono::steady_clock::time_point started_;
    bool lineOpen_ = false;
    std::vector<std::unique_ptr<Device>> devices_;
    std::ostream* interruptedOut_ = nullptr;
    std::function<std::string(std::size_t, int)> interruptedRecord_;
    // Apart from the job's lock, which a stuck write may hold past the stop's wait.
    std::mutex hookMutex_;
    std::function<void(std::string_view)> interruptHook_;
};

}  // namespace tavro::cli
