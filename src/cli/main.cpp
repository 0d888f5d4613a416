#include <cerrno>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console/console.h"
#include "cli/console/guarded_output.h"
#include "cli/console/standard_descriptors.h"
#include "cli/stop_signals.h"

// The command runs on this thread; another one waits for Ctrl-C, SIGTERM or SIGHUP and ends the
// process with a notice of how far the job got. A failed write to stdout or stderr ends it too.
int main(int argc, char** argv) {
    const bool stdoutUsable = tavro::cli::HoldStandardDescriptors();
    if (!stdoutUsable) tavro::cli::EndOnOutputFailure(tavro::cli::OutputChannel::Stdout, EBADF);
    tavro::cli::PrepareConsole();
    const std::vector<std::string> arguments = tavro::cli::Utf8Arguments(argc, argv);
    std::vector<const char*> argumentPointers;
    for (const std::string& argument : arguments) argumentPointers.push_back(argument.c_str());
    tavro::cli::HoldStopSignals();
    const tavro::cli::CliServices services = tavro::cli::RealCliServices();
    tavro::cli::WatchStopSignals(services.job);
    tavro::cli::GuardedOutput out(tavro::cli::OutputChannel::Stdout);
    tavro::cli::GuardedOutput err(tavro::cli::OutputChannel::Stderr);
    const int status = tavro::cli::RunCli(static_cast<int>(argumentPointers.size()),
                                          argumentPointers.data(), services, out, err);
    // What is still buffered must reach stdout before the status says all went well.
    out.flush();
    err.flush();
    services.job->Finish();
    return status;
}
