#include <cstdlib>
#include <string>

#include "cli/cli_services.h"
#include "cli/console/console.h"

namespace tavro::cli {

CliServices RealCliServices() {
    CliServices services;
    static_cast<CoreServices&>(services) = RealCoreServices();
    services.stderrIsTerminal = StderrIsTerminal;
    services.stdoutIsTerminal = StdoutIsTerminal;
    services.stderrTakesCursorMoves = StderrTakesCursorMoves;
    services.terminalColumns = TerminalColumns;
    services.terminalRows = TerminalRows;
    services.environment = [](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        if (value != nullptr) return std::string(value);
        // Without a LANG of its own, the process speaks the user's display language.
        if (name == "LANG") return DisplayLanguageLocale();
        return std::nullopt;
    };
    return services;
}

}  // namespace tavro::cli
