#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console/console.h"
#include "cli/stop_signals.h"

// The command runs on this thread; another one waits for Ctrl-C or SIGTERM and ends the
// process with a notice of how far the job got.
int main(int argc, char** argv) {
    tavro::cli::PrepareConsole();
    const std::vector<std::string> arguments = tavro::cli::Utf8Arguments(argc, argv);
    std::vector<const char*> argumentPointers;
    for (const std::string& argument : arguments) argumentPointers.push_back(argument.c_str());
    tavro::cli::HoldStopSignals();
    const tavro::cli::CliServices services = tavro::cli::RealCliServices();
    tavro::cli::WatchStopSignals(services.job);
    const int status = tavro::cli::RunCli(static_cast<int>(argumentPointers.size()),
                                          argumentPointers.data(), services, std::cout, std::cerr);
    services.job->Finish();
    return status;
}
