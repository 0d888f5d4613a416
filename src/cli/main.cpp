#include <iostream>

#include "cli/commands.h"
#include "cli/stop_signals.h"

// The command runs on this thread; another one waits for Ctrl-C or SIGTERM and ends the
// process with a notice of how far the job got.
int main(int argc, char** argv) {
    const sigset_t stopSignals = tavro::cli::BlockStopSignals();
    const tavro::cli::CliServices services = tavro::cli::RealCliServices();
    tavro::cli::WatchStopSignals(stopSignals, services.job);
    const int status = tavro::cli::RunCli(argc, argv, services, std::cout, std::cerr);
    services.job->Finish();
    return status;
}
