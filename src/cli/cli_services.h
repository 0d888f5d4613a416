#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "cli/job_state.h"
#include "services/core_services.h"
#include "texts/language.h"

namespace tavro::cli {

// The work the commands hand to the core, and what they need to know of the terminal.
struct CliServices : CoreServices {
    // Whether stderr is a terminal that may show a progress bar.
    std::function<bool()> stderrIsTerminal;
    // Whether stdout is a terminal too (its final lines are then wrapped to the width).
    std::function<bool()> stdoutIsTerminal = [] { return false; };
    // Whether that terminal moves its cursor on request; else progress is whole lines.
    std::function<bool()> stderrTakesCursorMoves = [] { return true; };
    // Its size, as it is at the moment of the call.
    std::function<std::size_t()> terminalColumns = [] { return std::size_t{80}; };
    std::function<std::size_t()> terminalRows = [] { return std::size_t{24}; };
    // The process environment (the locale, TAVRO_PASSWORD); a test hands in its own.
    texts::EnvironmentLookup environment = [](std::string_view) {
        return std::optional<std::string>();
    };
    // The clock that times the transfer for its rate and time left.
    std::function<std::chrono::steady_clock::time_point()> now = [] {
        return std::chrono::steady_clock::now();
    };
    // How far the running command got; the process reads it when a stop signal arrives.
    std::shared_ptr<JobState> job = std::make_shared<JobState>();
    // How often write --verify searches for the devices coming back from their reset.
    std::chrono::milliseconds comebackInterval{2000};
};

CliServices RealCliServices();

}  // namespace tavro::cli
