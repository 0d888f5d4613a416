#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tavro::cli {

// The program speaks UTF-8 in and out, and writes its bytes as they are. A POSIX terminal
// already does; on Windows the console must be told to show UTF-8, stdout and stderr must not
// turn each "\n" into "\r\n" (the trace has its own line ends, and a redirected trace or JSON
// is then byte for byte what Linux writes), and main's arguments come in the ANSI code page,
// which cannot hold every file name, so they are read again from the wide command line.
void PrepareConsole();
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// True when stderr is a terminal (a console on Windows), where progress may redraw its line.
bool StderrIsTerminal();
// True when stdout is one.
bool StdoutIsTerminal();
// Whether that terminal moves its cursor and erases on request: by TERM on POSIX; on Windows
// when the console takes escape sequences (it is asked to, once).
bool StderrTakesCursorMoves();
// The size of that terminal (of stdout's when stderr's cannot say), as it is now; 80 columns
// and 24 rows when neither can say.
std::size_t TerminalColumns();
std::size_t TerminalRows();

// The locale that the user's display language stands for, where the environment seldom names
// one: on Windows, where LANG is rarely set, "ja" when the display language is Japanese.
// nullopt where the environment's LANG speaks for itself (POSIX) or for other languages.
std::optional<std::string> DisplayLanguageLocale();

}  // namespace tavro::cli
