#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/console/console.h"

namespace tavro::cli {

void PrepareConsole() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::size_t TerminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
}

std::optional<std::string> DisplayLanguageLocale() { return std::nullopt; }

}  // namespace tavro::cli
