#include "cli/cli_services.h"
#include "cli/terminal_check.h"

namespace tavro::cli {

CliServices RealCliServices() {
    CliServices services;
    static_cast<CoreServices&>(services) = RealCoreServices();
    services.stderrIsTerminal = StderrIsTerminal;
    return services;
}

}  // namespace tavro::cli
