#include <unistd.h>

#include "cli/terminal_check.h"

namespace tavro::cli {

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace tavro::cli
