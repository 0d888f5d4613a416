#include <CLI/CLI.hpp>
#include <ostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/terminal_text.h"
#include "version.h"

namespace tavro::cli {
namespace {

std::string VersionLine() { return std::string("tavro-writer-cli ") + kVersionText; }

constexpr char kExitCodes[] =
    "Exit status: 0 success; 1 failure (interfaces, search) or the device refused or did not\n"
    "answer (write); 2 firmware file error; 3 internal error; 4 network error; 64 usage error;\n"
    "130 interrupted by Ctrl-C (SIGINT); 143 ended by SIGTERM.";

}  // namespace

int RunCli(int argc, const char* const* argv, const CliServices& services, std::ostream& out,
           std::ostream& err) {
    CLI::App app{"Finds TAVRO devices on a local network and writes firmware into them.",
                 "tavro-writer-cli"};
    // Options are --name on every platform: a firmware path such as /tmp/f.bin is a path.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", VersionLine());
    app.require_subcommand(1);
    app.footer(kExitCodes);

    bool json = false;
    auto* interfaces = app.add_subcommand("interfaces", "List the usable local IPv4 interfaces");
    interfaces->add_flag("--json", json, "One JSON array instead of the interface lines");

    std::string interfaceAddress;
    auto* search = app.add_subcommand("search", "Find the devices on the chosen interface");
    search->add_option("--interface", interfaceAddress,
                       "Local address to search from (default: the first usable interface)");
    search->add_flag("--json", json, "One JSON array instead of the device lines");

    WriteOptions write;
    auto* writeCommand = app.add_subcommand("write", "Write a firmware file into a device");
    writeCommand->add_option("--interface", write.interfaceAddress,
                             "Local address to work from (default: the first usable interface)");
    auto* password = writeCommand->add_option(
        "--password", write.password,
        "Upload password (default: $TAVRO_PASSWORD, else the factory password)");
    writeCommand
        ->add_option("--password-file", write.passwordFile,
                     "Read the upload password from the first line of FILE")
        ->excludes(password);
    writeCommand
        ->add_option("--local-port", write.localPort,
                     "TCP port the device connects back to (default: one the system picks); "
                     "let it in through a firewall")
        ->check(CLI::Range(1, 65535));
    writeCommand
        ->add_option("--connect-timeout", write.connectTimeoutSeconds,
                     "Seconds to wait for the device to connect back (default 30)")
        ->check(CLI::Range(0.001, 86400.0));
    writeCommand
        ->add_option("--ack-timeout", write.ackTimeoutSeconds,
                     "Seconds to wait for each acknowledgement and the final word (default 30)")
        ->check(CLI::Range(0.001, 86400.0));
    writeCommand->add_flag("-v,--verbose", write.verbose, "Stream the upload's trace to stderr");
    writeCommand->add_option("DEVICE", write.device, "Address of the device")->required();
    writeCommand->add_option("FILE", write.file, "Firmware file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // The message may quote an argument, which is shown escaped.
        std::ostringstream message;
        const int status = app.exit(error, out, message);
        err << TerminalTrace(message.str());
        return status == 0 ? kExitOk : kExitUsage;
    }

    if (interfaces->parsed()) return RunInterfacesCommand(services, json, out, err);
    if (search->parsed()) return RunSearchCommand(services, interfaceAddress, json, out, err);
    return RunWriteCommand(services, write, out, err);
}

}  // namespace tavro::cli
