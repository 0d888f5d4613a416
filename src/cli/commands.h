#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_services.h"
#include "texts/language.h"

namespace CLI {
class App;
}

namespace tavro::cli {

// What a command is handed when it runs. It writes its results on out and everything else on
// err, in the language settled once for the run, and returns the process exit status
// (exit_status.h).
struct CommandContext {
    const CliServices& services;
    texts::Language language;
    std::ostream& out;
    std::ostream& err;
    // The command line as it was given, without the program's name (for the log's header).
    std::vector<std::string> arguments = {};
};

// A command, ready to run with the options its subcommand was given.
using CommandRun = std::function<int(const CommandContext&)>;

// Each adds its subcommand, with its options, to the app; when the subcommand has been parsed
// (and its arguments found sound), `run` is what runs it.
void AddInterfacesCommand(CLI::App& app, CommandRun& run);
void AddSearchCommand(CLI::App& app, CommandRun& run);
void AddWriteCommand(CLI::App& app, CommandRun& run);

// Parses the command line and runs the command it names.
int RunCli(int argc, const char* const* argv, const CliServices& services, std::ostream& out,
           std::ostream& err);

}  // namespace tavro::cli
