#include <iostream>

#include "cli/commands.h"
#include "cli/stop_signals.h"

// The command runs on this thread; another one waits for Ctrl-C or SIGTERM and ends the
// process with a notice of how far the job got.
int main(int argc, char** argv) {
    tavro::cli::HoldStopSignals();
    const tavro::cli::CliServices services = tavro::cli::RealCliServices();
    tavro::cli::WatchStopSignals(services.job);
    const int status = tavro::cli::RunCli(argc, argv, services, std::cout, std::cerr);
    services.job->Finish();
    return status;
}
