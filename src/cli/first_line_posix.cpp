#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "cli/first_line.h"
#include "interfaces/owned_fd_posix.h"

namespace tavro::cli {
namespace {

using Clock = std::chrono::steady_clock;
using Fault = FirstLineReading::Fault;

FirstLineReading Failed(Fault fault, int error = 0) {
    FirstLineReading reading;
    reading.fault = fault;
    reading.error = error;
    return reading;
}

// Waits for something to read (or the end); false at the deadline.
bool AwaitReadable(int fd, Clock::time_point deadline) {
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return true;  // the read tells what is wrong
    }
}

}  // namespace

// Opened without waiting (a FIFO's open would wait for a writer), then read as it comes: a
// FIFO without a writer polls as not readable until one opens it.
FirstLineReading ReadFirstLine(const std::string& path, std::size_t limit,
                               std::chrono::milliseconds wait) {
    const Clock::time_point deadline = Clock::now() + wait;
    const interfaces::OwnedFd file(
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) return Failed(Fault::Unreadable, errno);
    std::string content;
    char chunk[512];
    while (true) {
        if (!AwaitReadable(file.get(), deadline)) return Failed(Fault::NothingInTime);
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (got < 0) return Failed(Fault::Unreadable, errno);
        content.append(chunk, static_cast<std::size_t>(got));
        const std::size_t lineEnd = content.find_first_of("\r\n");
        if (lineEnd != std::string::npos) content.resize(lineEnd);
        if (content.size() > limit) return Failed(Fault::TooLong);
        if (got == 0 || lineEnd != std::string::npos) break;
    }
    FirstLineReading reading;
    reading.line = std::move(content);
    return reading;
}

}  // namespace tavro::cli
