#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "cli/job_state.h"
#include "services/core_services.h"

namespace tavro::cli {

// The work the commands hand to the core, and what they need to know of the terminal.
struct CliServices : CoreServices {
    // Whether stderr is a terminal that may show a progress bar.
    std::function<bool()> stderrIsTerminal;
    // How far the running command got; the process reads it when a stop signal arrives.
    std::shared_ptr<JobState> job = std::make_shared<JobState>();
    // How often write --verify searches for the devices coming back from their reset.
    std::chrono::milliseconds comebackInterval{2000};
};

CliServices RealCliServices();

}  // namespace tavro::cli
