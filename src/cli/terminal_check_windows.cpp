#include <io.h>

#include <cstdio>

#include "cli/terminal_check.h"

namespace tavro::cli {

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

}  // namespace tavro::cli
