#include <unistd.h>

#include "cli/cli_services.h"

namespace tavro::cli {

CliServices RealCliServices() {
    CliServices services;
    static_cast<CoreServices&>(services) = RealCoreServices();
    services.stderrIsTerminal = [] { return ::isatty(STDERR_FILENO) == 1; };
    return services;
}

}  // namespace tavro::cli
