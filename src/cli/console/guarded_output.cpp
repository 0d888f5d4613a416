#include "cli/console/guarded_output.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "cli/console/descriptor_writes.h"
#include "cli/exit_status.h"

namespace tavro::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Long enough for any reader that reads, short enough to end well within a second.
constexpr std::chrono::milliseconds kNoticeWait{400};

thread_local std::optional<Clock::time_point> t_outputLimit;

int DescriptorOf(OutputChannel channel) { return channel == OutputChannel::Stdout ? 1 : 2; }

}  // namespace

GuardedOutput::Buffer::Buffer(OutputChannel channel) : channel_(channel) {
    setp(pending_.data(), pending_.data() + pending_.size());
}

GuardedOutput::Buffer::int_type GuardedOutput::Buffer::overflow(int_type c) {
    Send();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int GuardedOutput::Buffer::sync() {
    Send();
    return 0;
}

void GuardedOutput::Buffer::Send() {
    const std::string_view text(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(pending_.data(), pending_.data() + pending_.size());
    if (text.empty()) return;
    if (t_outputLimit) {
        WriteBefore(DescriptorOf(channel_), text, *t_outputLimit);
        return;
    }
    if (const int error = WriteWhole(DescriptorOf(channel_), text); error != 0) {
        EndOnOutputFailure(channel_, error);
    }
}

GuardedOutput::GuardedOutput(OutputChannel channel) : std::ostream(nullptr), buffer_(channel) {
    rdbuf(&buffer_);
    // stderr shows each message as it is written, as std::cerr does.
    if (channel == OutputChannel::Stderr) setf(std::ios::unitbuf);
}

void LimitOutputOfThisThread(Clock::time_point deadline) { t_outputLimit = deadline; }

void EndOnOutputFailure(OutputChannel channel, int error) {
    // Two threads may fail at once; the first one says so and ends the process.
    static std::atomic_flag ending = ATOMIC_FLAG_INIT;
    if (ending.test_and_set()) {
        while (true) std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (channel == OutputChannel::Stdout) {
        const std::string reason = error == EBADF ? "it is closed" : std::strerror(error);
        const std::string message =
            "tavro-writer-cli: cannot write to stdout: " + reason + "; the run stopped there\n";
        WriteBefore(DescriptorOf(OutputChannel::Stderr), message,
                    t_outputLimit.value_or(Clock::now() + kNoticeWait));
    }
    std::_Exit(kExitOutputFailure);
}

}  // namespace tavro::cli
