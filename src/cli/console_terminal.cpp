#include "cli/console_terminal.h"

namespace tavro::cli {

Terminal ConsoleTerminal(const CliServices& services) {
    return Terminal{
        .size =
            [columns = services.terminalColumns, rows = services.terminalRows] {
                return TerminalSize{columns(), rows()};
            },
        .cursorMoves = services.stderrTakesCursorMoves(),
        .charset = texts::CharactersAreUtf8(services.environment) ? Charset::Utf8 : Charset::Ascii,
        .showsStdout = services.stdoutIsTerminal(),
        .showsStderr = services.stderrIsTerminal(),
    };
}

}  // namespace tavro::cli
