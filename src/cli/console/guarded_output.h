#pragma once

#include <array>
#include <chrono>
#include <ostream>
#include <streambuf>
#include <string_view>

namespace tavro::cli {

// Which of the process's outputs a stream writes to.
enum class OutputChannel { Stdout, Stderr };

// stdout or stderr as a stream whose failed write ends the run: a message on stderr (unless
// stderr is what failed), then the process ends at once with kExitOutputFailure; the system
// closes every socket, so each device in flight sees its connection end. A run that cannot
// report must not go on writing firmware nobody hears about.
class GuardedOutput : public std::ostream {
public:
    explicit GuardedOutput(OutputChannel channel);
    GuardedOutput(const GuardedOutput&) = delete;
    GuardedOutput& operator=(const GuardedOutput&) = delete;

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(OutputChannel channel);

    protected:
        int_type overflow(int_type c) override;
        int sync() override;

    private:
        void Send();

        OutputChannel channel_;
        std::array<char, 4096> pending_{};
    };

    Buffer buffer_;
};

// From now on, what this thread writes through a GuardedOutput (and the failure notice) waits
// for the reader no later than deadline, and what cannot be written by then is dropped instead
// of ending the run: for the thread that ends the process on a stop request.
void LimitOutputOfThisThread(std::chrono::steady_clock::time_point deadline);

// Says on stderr (unless it is stderr that failed) that the channel could not be written, with
// the system's reason for error, and ends the process with kExitOutputFailure.
[[noreturn]] void EndOnOutputFailure(OutputChannel channel, int error);

}  // namespace tavro::cli
