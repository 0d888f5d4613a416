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

// True once stdin has reached its end: the process holding the other end of the pipe is gone.
// Only a pipe is watched; a console or a file as stdin never ends the run.
bool InputEnded() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE ||
        ::GetFileType(input) != FILE_TYPE_PIPE) {
        return false;
    }
    DWORD available = 0;
    if (!::PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) {
        return ::GetLastError() == ERROR_BROKEN_PIPE;
    }
    if (available == 0) return false;
    char byte;
    DWORD read = 0;
    return !::ReadFile(input, &byte, 1, &read, nullptr) || read == 0;
}

}  // namespace

// A write to a vanished reader fails with an error code on Windows, so only the console's
// requests need holding.
void HoldStopRequests() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

void WaitForStop(bool stopOnEof) {
    while (!StopRequested()) {
        if (stopOnEof && InputEnded()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

}  // namespace tavro::sim
