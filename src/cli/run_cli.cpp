#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/console/terminal_text.h"
#include "cli/empty_option_values.h"
#include "cli/exit_status.h"
#include "cli/option_checks.h"
#include "cli/usage_error.h"
#include "texts/language.h"
#include "version.h"

namespace tavro::cli {
namespace {

std::string VersionLine() { return std::string("tavro-writer-cli ") + kVersionText; }

constexpr char kExitCodes[] =
    "Exit status: 0 success; 1 failure (interfaces, search) or the device refused or did not\n"
    "answer (write); 2 firmware file error; 3 internal error; 4 network error; 5 the device\n"
    "took the image but did not come back from its reset in time (write --verify); 64 usage\n"
    "error; 74 stdout or stderr could not be written (closed, no reader, no space); 129 ended\n"
    "by SIGHUP; 130 interrupted by Ctrl-C (SIGINT); 143 ended by SIGTERM. A write to several\n"
    "devices exits 0 only when every device succeeded, else with the status of the first\n"
    "device in argument order that failed.\n";

// What the usage error was about, in better words than the parser's where it can tell: a
// command or an option that does not exist, with the closest known one.
std::string UsageErrorText(const CLI::App& app, const CLI::ParseError& error,
                           const std::vector<std::string>& arguments) {
    if (dynamic_cast<const CLI::ExtrasError*>(&error) == nullptr &&
        dynamic_cast<const CLI::RequiredError*>(&error) == nullptr) {
        return error.what();
    }
    std::vector<std::string> commands;
    for (const CLI::App* command : app.get_subcommands({})) commands.push_back(command->get_name());
    const auto first = std::find_if(arguments.begin(), arguments.end(),
                                    [](const std::string& a) { return !a.starts_with("-"); });
    const bool named = first != arguments.end();
    if (named && std::find(commands.begin(), commands.end(), *first) == commands.end()) {
        return UnknownNameText("command", *first, commands);
    }
    const CLI::App& command = named ? *app.get_subcommand(*first) : app;
    std::vector<std::string> options = {"--help", "-h"};
    for (const CLI::Option* option : command.get_options({})) {
        for (const std::string& name : option->get_lnames()) options.push_back("--" + name);
        for (const std::string& name : option->get_snames()) options.push_back("-" + name);
    }
    if (!named) options.push_back("--version");
    for (auto at = named ? first + 1 : arguments.begin(); at != arguments.end(); ++at) {
        if (*at == "--") break;
        if (!at->starts_with("-") || at->size() < 2) continue;
        const std::string name = at->substr(0, at->find('='));
        if (std::find(options.begin(), options.end(), name) == options.end()) {
            return UnknownNameText("option", name, options);
        }
    }
    return error.what();
}

}  // namespace

int RunCli(int argc, const char* const* argv, const CliServices& services, std::ostream& out,
           std::ostream& err) {
    CLI::App app{"Finds TAVRO devices on a local network and writes firmware into them.",
                 "tavro-writer-cli"};
    // Options are --name on every platform: a firmware path such as /tmp/f.bin is a path.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", VersionLine());
    app.require_subcommand(1);
    app.formatter(std::make_shared<PlainFormatter>());
    app.get_formatter()->label("REQUIRED", "");

    CommandRun run;
    AddInterfacesCommand(app, run);
    AddSearchCommand(app, run);
    AddWriteCommand(app, run);
    // Only now: the exit statuses belong to the program's help, not to each command's.
    app.footer(kExitCodes);

    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    try {
        // The parser takes its arguments last first.
        const std::vector<std::string> kept = EmptyValuesKept(app, arguments);
        std::vector<std::string> reversed(kept.rbegin(), kept.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help, out, err) == 0 ? kExitOk : kExitUsage;
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version, out, err) == 0 ? kExitOk : kExitUsage;
    } catch (const CLI::ParseError& error) {
        // The message may quote an argument, which is shown escaped.
        err << "tavro-writer-cli: " << TerminalTrace(UsageErrorText(app, error, arguments)) << "\n"
            << "Run with --help for more information.\n";
        return kExitUsage;
    }
    const CommandContext context{.services = services,
                                 .language = texts::LanguageFromEnvironment(services.environment),
                                 .out = out,
                                 .err = err,
                                 .arguments = arguments};
    return run(context);
}

}  // namespace tavro::cli
