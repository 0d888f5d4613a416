#pragma once

#include <atomic>
#include <chrono>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::cli {

// How far the running command has got, shared by the thread that runs it and the thread that
// waits for a stop signal. The command prints through it, so that nothing of the job appears
// after the interrupt notice, and the notice never lands inside a progress line.
class JobState {
public:
    // Texts are as the terminal shows them (already escaped).
    void BeginWrite(std::string file, std::string device);
    void BeginSearch(std::string localAddress);
    // The share of the image the device has acknowledged.
    void SetPercent(int percent);

    // Writes text and flushes, unless the job was interrupted.
    void Show(std::ostream& stream, std::string_view text);
    // Writes the job's outcome unless the job was interrupted; from then on a stop signal no
    // longer interrupts it. False when the job had been interrupted and nothing was written.
    bool Conclude(std::ostream& stream, std::string_view text);
    // The job is over without an outcome of its own to print.
    void Finish();

    // Marks the job interrupted and returns the notice for stderr: a line end first when a
    // line (the progress bar, a trace line) is open, then what was done, ending in "\n".
    // nullopt when the job had concluded first: its outcome stands. Waits at most waitLimit
    // for a write in progress; after that the notice says no more than that the job stopped.
    std::optional<std::string> Interrupt(std::chrono::milliseconds waitLimit);

private:
    enum class Job { None, Write, Search };
    enum class Phase { Running, Concluded, Interrupted };

    std::string Notice() const;

    std::timed_mutex mutex_;
    Phase phase_ = Phase::Running;
    Job job_ = Job::None;
    std::string file_;
    std::string address_;
    std::chrono::steady_clock::time_point started_;
    bool lineOpen_ = false;
    std::atomic<int> percent_{-1};
};

}  // namespace tavro::cli
