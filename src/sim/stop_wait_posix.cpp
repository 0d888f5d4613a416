#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>

#include "sim/stop_wait.h"

namespace tavro::sim {
namespace {

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

// True once stdin has reached its end: the process holding the other end of the pipe is gone.
bool InputEnded() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0) return false;
    char byte;
    return ::read(STDIN_FILENO, &byte, 1) == 0 || (input.revents & (POLLHUP | POLLNVAL)) != 0;
}

}  // namespace

// Device threads inherit this mask, so the signals reach only the main thread's wait.
void HoldStopRequests() {
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void WaitForStop(bool stopOnEof) {
    const sigset_t signals = StopSignals();
    const timespec slice{0, 200 * 1000 * 1000};
    while (sigtimedwait(&signals, nullptr, &slice) < 0) {
        if (stopOnEof && InputEnded()) return;
    }
}

}  // namespace tavro::sim
