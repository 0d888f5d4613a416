#include <cstdlib>
#include <string>

#include "cli/cli_services.h"
#include "cli/terminal_check.h"

namespace tavro::cli {

CliServices RealCliServices() {
    CliServices services;
    static_cast<CoreServices&>(services) = RealCoreServices();
    services.stderrIsTerminal = StderrIsTerminal;
    services.environment = [](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
    return services;
}

}  // namespace tavro::cli
