#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sim/stop_wait.h"

namespace tavro::sim {
namespace {

// The console calls its control handler on a thread of its own; the main thread's wait reads
// this flag. A process has one console, so the flag is the process's too.
std::atomic<bool>& StopRequested() {
    static std::atomic<bool> requested{false};
    return requested;
}

BOOL WINAPI OnConsoleControl(DWORD) {
    StopRequested() = true;
    // Ctrl-C, Ctrl-Break and a close all wait for the main thread; it ends the run in time,
    // well inside the grace a console close leaves.
    return TRUE;
}

std::atomic<bool>& InputEnded() {
    static std::atomic<bool> ended{false};
    return ended;
}

// Reads stdin to its end on a thread of its own and then marks it ended: the process holding
// the other end of the pipe is gone. Only a pipe is watched; a console or a file as stdin never
// ends the run. Reading rather than peeking: Wine cannot peek into a pipe that comes from the
// Unix side (PeekNamedPipe fails there with ERROR_NOT_SUPPORTED), and a read sees the end on
// every system. What it reads means nothing to the simulator.
void WatchInput() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE ||
        ::GetFileType(input) != FILE_TYPE_PIPE) {
        return;
    }
    std::thread([input] {
        char area[256];
        DWORD read = 0;
        while (::ReadFile(input, area, sizeof area, &read, nullptr) && read > 0) {
        }
        InputEnded() = true;
    }).detach();
}

}  // namespace

// A write to a vanished reader fails with an error code on Windows, so only the console's
// requests need holding.
void HoldStopRequests() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

void WaitForStop(bool stopOnEof) {
    if (stopOnEof) WatchInput();
    while (!StopRequested()) {
        if (InputEnded()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

}  // namespace tavro::sim
