#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

#include "cli/console/console.h"
#include "cli/console/term_capability.h"

namespace tavro::cli {

void PrepareConsole() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool StderrTakesCursorMoves() {
    const char* term = std::getenv("TERM");
    return TermTakesCursorMoves(term ? std::optional<std::string_view>(term) : std::nullopt);
}

namespace {

// Asked at every redraw rather than when SIGWINCH comes: one system call at most ten times a
// second costs nothing, and no handler has to share the signals with the stop watcher.
winsize WindowSize() {
    for (const int descriptor : {STDERR_FILENO, STDOUT_FILENO}) {
        winsize size{};
        if (::ioctl(descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size;
    }
    return winsize{};
}

}  // namespace

std::size_t TerminalColumns() {
    const winsize size = WindowSize();
    return size.ws_col > 0 ? size.ws_col : 80;
}

std::size_t TerminalRows() {
    const winsize size = WindowSize();
    return size.ws_row > 0 ? size.ws_row : 24;
}

std::optional<std::string> DisplayLanguageLocale() { return std::nullopt; }

}  // namespace tavro::cli
