#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
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
    "answer (write); 2 firmware file error; 3 internal error; 4 network error; 5 the device\n"
    "took the image but did not come back from its reset in time (write --verify); 64 usage\n"
    "error; 74 stdout or stderr could not be written (closed, no reader, no space); 129 ended\n"
    "by SIGHUP; 130 interrupted by Ctrl-C (SIGINT); 143 ended by SIGTERM. A write to several\n"
    "devices exits 0 only when every device succeeded, else with the status of the first\n"
    "device in argument order that failed.";

constexpr char kWriteFooter[] =
    "Forms: write [OPTIONS] DEVICE... FILE, and write --all [OPTIONS] FILE.\n"
    "With --json, stdout holds one JSON object per line for each device, in the order the\n"
    "devices finish: device, status (this device's exit status), result (the upload's code,\n"
    "-1 when interrupted), outcome (ok, no-answer, refused, bad-answer, network-error,\n"
    "file-error, internal-error, interrupted), cause, bytesSent, seconds, localPort, and with\n"
    "--verify: verified (true or false) and version (\"1.20\"; empty unless verified).\n"
    "Ports: 30718/udp out (the search's probe), 9998/tcp out (version queries), 3232/udp out\n"
    "(the invitation), and the TCP port the devices connect back to, in: one the system picks,\n"
    "or --local-port PORT for all of them, so that a firewall can let it in. No root needed.";

// CLI11's Range compares, and NaN compares false with everything: it would pass a range.
const CLI::Validator kFiniteNumber(
    [](std::string& text) {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        return end != text.c_str() && !std::isfinite(value) ? std::string("not a finite number")
                                                            : std::string();
    },
    "", "FINITE");

// Seconds of a time-out: above 0, at most a day.
const CLI::Range kTimeoutRange(0.001, 86400.0);

// An empty --interface would quietly mean the first interface.
const CLI::Validator kNotEmpty(
    [](std::string& text) {
        return text.empty() ? std::string("an interface address or name, not an empty text")
                            : std::string();
    },
    "", "NOT-EMPTY");

// Splits "DEVICE... FILE": the last argument is the file.
bool SplitDevicesAndFile(std::vector<std::string> arguments, bool all, WriteOptions& write,
                         std::string& why) {
    if (arguments.empty()) {
        why = "FILE is required";
        return false;
    }
    write.file = arguments.back();
    arguments.pop_back();
    write.devices = std::move(arguments);
    if (all && !write.devices.empty()) {
        why = "--all writes every device a search lists: name no DEVICE beside it";
        return false;
    }
    if (!all && write.devices.empty()) {
        why = "name at least one DEVICE before FILE, or use --all";
        return false;
    }
    return true;
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
    app.footer(kExitCodes);

    bool json = false;
    auto* interfaces = app.add_subcommand("interfaces", "List the usable local IPv4 interfaces");
    interfaces->add_flag("--json", json, "One JSON array instead of the interface lines");

    SearchOptions searchOptions;
    auto* search = app.add_subcommand("search", "Find the devices on the chosen interface");
    auto* searchInterface = search->add_option(
        "--interface", searchOptions.interface,
        "Local address or interface name to search from (default: the first usable interface)");
    searchInterface->check(kNotEmpty);
    search
        ->add_flag("--all-interfaces", searchOptions.allInterfaces,
                   "Search every usable interface at once; each device is tagged with its own")
        ->excludes(searchInterface);
    search->add_flag("--json", searchOptions.json, "One JSON array instead of the device lines");

    WriteOptions write;
    std::vector<std::string> positionals;
    double verifySeconds = 60;
    auto* writeCommand = app.add_subcommand(
        "write", "Write a firmware file into one or more devices, several at once");
    writeCommand->footer(kWriteFooter);
    writeCommand
        ->add_option(
            "--interface", write.interface,
            "Local address or interface name to work from (default: the first usable interface)")
        ->check(kNotEmpty);
    auto* password = writeCommand->add_option(
        "--password", write.password,
        "Upload password (default: $TAVRO_PASSWORD, else the factory password)");
    writeCommand
        ->add_option("--password-file", write.passwordFile,
                     "Read the upload password from the first line of FILE")
        ->excludes(password);
    writeCommand
        ->add_option("--local-port", write.localPort,
                     "TCP port the devices connect back to, one for all of them (default: one "
                     "the system picks per device); let it in through a firewall")
        ->check(CLI::Range(1, 65535));
    writeCommand
        ->add_option("--connect-timeout", write.connectTimeoutSeconds,
                     "Seconds to wait for a device to connect back (default 30)")
        ->check(kFiniteNumber)
        ->check(kTimeoutRange);
    writeCommand
        ->add_option("--ack-timeout", write.ackTimeoutSeconds,
                     "Seconds to wait for each acknowledgement and the final word (default 30)")
        ->check(kFiniteNumber)
        ->check(kTimeoutRange);
    writeCommand->add_flag("-v,--verbose", write.verbose, "Stream the upload's trace to stderr");
    writeCommand->add_flag("--all", write.allDevices,
                           "Write every device that a search on the interface lists");
    writeCommand->add_option("-j,--jobs", write.jobs, "Devices written at once")
        ->default_val(8)
        ->check(CLI::Range(1, 256));
    writeCommand->add_flag("--json", write.json,
                           "One JSON object per device on stdout, no progress display");
    writeCommand->add_flag("--verify", write.verify,
                           "After a success, wait for the device to come back from its reset "
                           "(a search every 2 s) and report its version; exit 5 when it does not");
    writeCommand
        ->add_option("--verify-timeout", verifySeconds, "Seconds to wait for a device to come back")
        ->default_val(60)
        ->check(kFiniteNumber)
        ->check(kTimeoutRange);
    writeCommand
        ->add_option("DEVICE... FILE", positionals,
                     "Addresses of the devices (none with --all), then the firmware file")
        ->type_name("")
        ->required();

    try {
        app.parse(argc, argv);
        if (writeCommand->parsed()) {
            std::string why;
            if (!SplitDevicesAndFile(positionals, write.allDevices, write, why)) {
                throw CLI::ValidationError("DEVICE... FILE", why);
            }
            write.verifyTimeout = std::chrono::milliseconds(std::llround(verifySeconds * 1000));
        }
    } catch (const CLI::ParseError& error) {
        // The message may quote an argument, which is shown escaped.
        std::ostringstream message;
        const int status = app.exit(error, out, message);
        err << TerminalTrace(message.str());
        return status == 0 ? kExitOk : kExitUsage;
    }

    if (interfaces->parsed()) return RunInterfacesCommand(services, json, out, err);
    if (search->parsed()) return RunSearchCommand(services, searchOptions, out, err);
    return RunWriteCommand(services, write, out, err);
}

}  // namespace tavro::cli
