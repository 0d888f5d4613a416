#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "cli/console/standard_descriptors.h"

namespace tavro::cli {
namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

}  // namespace

bool HoldStandardDescriptors() {
    ::signal(SIGPIPE, SIG_IGN);
    bool stdoutUsable = true;
    // In order: with the lower ones open, the null device takes the lowest free number.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (IsOpen(fd)) continue;
        if (fd == STDOUT_FILENO) stdoutUsable = false;
        const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (held != fd) {
            if (held >= 0) ::close(held);
            return false;
        }
    }
    return stdoutUsable;
}

}  // namespace tavro::cli
