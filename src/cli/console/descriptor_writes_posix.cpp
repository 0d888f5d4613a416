#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cli/console/descriptor_writes.h"

namespace tavro::cli {
namespace {

// Waits until fd takes more; false on an error, a hang-up or the deadline (-1: none).
bool AwaitWritable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLOUT, 0};
    int ready = 0;
    while ((ready = ::poll(&entry, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return ready > 0 && (entry.revents & POLLOUT) != 0 &&
           (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
}

}  // namespace

int WriteWhole(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written > 0) {
            text.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        const int error = written == 0 ? EIO : errno;
        if (error == EINTR) continue;
        // A descriptor that came to us non-blocking still gets the whole text.
        if ((error == EAGAIN || error == EWOULDBLOCK) && AwaitWritable(fd, -1)) continue;
        return error;
    }
    return 0;
}

// After poll says the descriptor takes more, a pipe takes PIPE_BUF bytes without blocking; a
// larger write could wait for the reader.
bool WriteBefore(int fd, std::string_view text, std::chrono::steady_clock::time_point deadline) {
    while (!text.empty()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !AwaitWritable(fd, static_cast<int>(left.count()))) return false;
        const ssize_t written =
            ::write(fd, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
        if (written > 0) {
            text.remove_prefix(static_cast<std::size_t>(written));
        } else if (written == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            return false;
        }
    }
    return true;
}

}  // namespace tavro::cli
