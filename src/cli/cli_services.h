#pragma once

#include <functional>

#include "services/core_services.h"

namespace tavro::cli {

// The work the commands hand to the core, and what they need to know of the terminal.
struct CliServices : CoreServices {
    // Whether stderr is a terminal that may show a progress bar.
    std::function<bool()> stderrIsTerminal;
};

CliServices RealCliServices();

}  // namespace tavro::cli
