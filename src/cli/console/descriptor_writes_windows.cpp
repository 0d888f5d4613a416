#include <io.h>

#include <cerrno>
#include <climits>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "cli/console/descriptor_writes.h"

namespace tavro::cli {

// Through the C runtime, as std::cout wrote before: a console or a file in text mode gets its
// "\r\n" line ends.
int WriteWhole(int fd, std::string_view text) {
    while (!text.empty()) {
        const unsigned chunk = text.size() > INT_MAX ? INT_MAX : static_cast<unsigned>(text.size());
        const int written = ::_write(fd, text.data(), chunk);
        if (written < 0) return errno != 0 ? errno : EIO;
        if (written == 0) return EIO;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// A Windows pipe cannot be asked whether a write would wait, so the write runs on a thread of
// its own and the caller waits for it only until the deadline; the callers end the process
// next, which ends that thread too.
bool WriteBefore(int fd, std::string_view text, std::chrono::steady_clock::time_point deadline) {
    auto written = std::make_shared<std::promise<bool>>();
    std::future<bool> done = written->get_future();
    std::thread([fd, copy = std::string(text), written] {
        written->set_value(WriteWhole(fd, copy) == 0);
    }).detach();
    return done.wait_until(deadline) == std::future_status::ready && done.get();
}

}  // namespace tavro::cli
