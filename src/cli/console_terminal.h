#pragma once

#include "cli/cli_services.h"
#include "cli/console/terminal.h"

namespace tavro::cli {

// The terminal behind stderr (and stdout) as the services tell it: what it shows, whether it
// moves its cursor, whether it reads UTF-8 (by the locale), and its size at each asking.
Terminal ConsoleTerminal(const CliServices& services);

}  // namespace tavro::cli
