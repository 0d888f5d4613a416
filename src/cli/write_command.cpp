#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "batch/write_batch.h"
#include "cli/commands.h"
#include "cli/console/board_view.h"
#include "cli/console/device_json.h"
#include "cli/console/json_lines_view.h"
#include "cli/console/json_text.h"
#include "cli/console/single_device_view.h"
#include "cli/console/terminal_text.h"
#include "cli/console/trace_log.h"
#include "cli/console_terminal.h"
#include "cli/device_status.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "cli/option_checks.h"
#include "cli/password_source.h"
#include "cli/run_log.h"
#include "cli/strict_address.h"
#include "cli/write_targets.h"
#include "texts/address_conflict_texts.h"
#include "texts/comeback_texts.h"
#include "texts/local_error_texts.h"

namespace tavro::cli {
namespace {

struct WriteOptions {
    std::string interface;                // an address or a name; empty: the first usable interface
    std::optional<std::string> password;  // --password
    std::string passwordFile;             // --password-file; empty: none
    bool verbose = false;
    std::uint16_t localPort = 0;  // 0: a port the system picks
    std::optional<double> connectTimeoutSeconds;
    std::optional<double> ackTimeoutSeconds;
    std::vector<std::string> devices;
    bool allDevices = false;  // every device a search on the interface lists
    std::string file;
    bool json = false;
    int jobs = 8;  // devices written at once
    bool verify = false;
    double verifySeconds = 60;
    std::string log;  // --log FILE; empty: none
};

constexpr char kWriteFooter[] =
    "Forms: write [OPTIONS] DEVICE... FILE, and write --all [OPTIONS] FILE.\n"
    "With --json, stdout holds one JSON object per line for each device, in the order the\n"
    "devices finish (see tavro-writer-cli(1) for every field and cause code).\n"
    "Ports: 30718/udp out (the search's probe), 9998/tcp out (version queries), 3232/udp out\n"
    "(the invitation), and the TCP port the devices connect back to, in: one the system picks,\n"
    "or --local-port PORT for all of them, so that a firewall can let it in. No root needed.";

std::chrono::milliseconds Milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000.0)));
}

// The plan of the batch from the options and the environment, and the interface it works
// from; nullopt with the exit status after a message on err.
std::optional<batch::BatchPlan> SettlePlan(const CommandContext& context,
                                           const WriteOptions& options, ChosenInterface& local,
                                           int& status) {
    const CliServices& services = context.services;
    const std::optional<std::string> password =
        ResolvePassword({.given = options.password, .file = options.passwordFile},
                        services.environment, context.err);
    if (!password) {
        status = kExitUsage;
        return std::nullopt;
    }
    const std::optional<ChosenInterface> chosen = ChooseInterface(context, options.interface);
    if (!chosen) {
        status = kExitFailure;
        return std::nullopt;
    }
    local = *chosen;
    batch::BatchPlan plan{
        .file = options.file,
        .localAddress = local.address,
        .password = *password,
        .localPort = options.localPort,
        .timeouts = {},
        .jobs = options.jobs,
        .verify = options.verify,
        .verifyTimeout = Milliseconds(options.verifySeconds),
        .comebackInterval = services.comebackInterval,
    };
    if (options.connectTimeoutSeconds) {
        plan.timeouts.connectBack = Milliseconds(*options.connectTimeoutSeconds);
    }
    if (options.ackTimeoutSeconds) {
        plan.timeouts.acknowledgement = Milliseconds(*options.ackTimeoutSeconds);
    }
    return plan;
}

// No device can answer from a loopback address, from this computer's address, or from its
// subnet's network or broadcast address; a named one is refused with a message on err, a
// searched one is left out.
bool NamesNoDevice(const batch::WriteTarget& target, const ChosenInterface& local,
                   std::ostream* err) {
    const std::string why = NotADeviceFrom(target.address, local.address, local.prefixLength);
    if (!why.empty() && err != nullptr) {
        *err << "tavro-writer-cli: \"" << target.address << "\" is not a device address: " << why
             << "\n";
    }
    return !why.empty();
}

// What every view of the write is told.
ConsoleSettings SettingsFor(const CommandContext& context, const WriteOptions& options,
                            const batch::BatchPlan& plan, TraceLog* log) {
    const CliServices& services = context.services;
    return {.job = *services.job,
            .out = context.out,
            .err = context.err,
            .language = context.language,
            .trace = options.verbose,
            .status = !options.verbose && services.stderrIsTerminal(),
            .terminal = ConsoleTerminal(services),
            .now = services.now,
            .verify = options.verify,
            .verifyTimeout = plan.verifyTimeout,
            .file = TerminalText(options.file),
            .path = batch::AbsoluteUtf8Path(options.file),
            .log = log};
}

// How the write shows itself: JSON lines, one device alone, or the board of several.
std::unique_ptr<batch::BatchView> ViewFor(const CommandContext& context,
                                          const WriteOptions& options, const batch::BatchPlan& plan,
                                          const std::vector<batch::WriteTarget>& targets,
                                          TraceLog* log) {
    ConsoleSettings settings = SettingsFor(context, options, plan, log);
    if (options.json) return std::make_unique<JsonLinesView>(std::move(settings), targets);
    if (targets.size() == 1) {
        return std::make_unique<SingleDeviceView>(std::move(settings), targets);
    }
    return std::make_unique<BoardView>(std::move(settings), targets);
}

// The search a write begins with, for --all and for --verify; nullopt after a message on err
// when it failed: a search that could not run is no empty network. The named devices are
// registered first, so that an interrupt during the search still gives each its record.
std::optional<SearchedTargets> SearchBeforeWrite(const CommandContext& context,
                                                 const WriteOptions& options,
                                                 const batch::BatchPlan& plan,
                                                 const std::vector<batch::WriteTarget>& named) {
    const CliServices& services = context.services;
    if (options.json) RecordDevicesOnInterrupt(SettingsFor(context, options, plan, nullptr), named);
    services.job->BeginSearch(plan.localAddress.ToString());
    SearchedTargets searched = SearchTargets(services, plan.localAddress);
    if (searched.error != 0) {
        services.job->Finish();
        context.err << "tavro-writer-cli: the search from " << plan.localAddress << " failed ("
                    << texts::LocalErrorText(searched.error, context.language)
                    << "); no device was written\n";
        return std::nullopt;
    }
    if (searched.endedAtBound) {
        context.err << "tavro-writer-cli: the search from " << plan.localAddress
                    << " stopped at its time bound while devices still answered; devices that "
                       "answered later are left out\n";
    }
    return searched;
}

// Every address the batch will not write, since several devices answer there, is named on
// stderr before the write begins, whatever the output.
void AnnounceConflicts(const CommandContext& context,
                       const std::vector<batch::WriteTarget>& targets) {
    for (const batch::WriteTarget& target : targets) {
        if (target.conflict.empty()) continue;
        std::vector<std::string> macs;
        for (const batch::Mac& mac : target.conflict) macs.push_back(MacText(mac));
        context.err << "tavro-writer-cli: "
                    << texts::AddressConflictText(target.address.ToString(), macs, context.language)
                    << "\n";
    }
}

// The search ended at its bound, so --all may have left devices out: the last line of --json
// says so, and the exit status is not 0.
int AfterBound(const CommandContext& context, const WriteOptions& options, net::Ipv4Address local,
               const SearchedTargets& searched, int status) {
    if (options.json) {
        const Json record = {{"record", "bound"},
                             {"causeCode", "search-bound"},
                             {"localAddress", local.ToString()},
                             {"replies", searched.replies},
                             {"listed", searched.listed.size()}};
        context.services.job->Show(context.out, JsonText(record) + "\n");
    }
    return status == kExitOk ? kExitFailure : status;
}

// Writes the file into each device, several at once; exits 0 when every device took it (and
// came back, with --verify), else with the status of the first device that failed.
int RunWrite(const CommandContext& context, const WriteOptions& options) {
    const CliServices& services = context.services;
    std::optional<std::vector<batch::WriteTarget>> targets =
        NamedTargets(options.devices, context.err);
    if (!targets) return kExitUsage;
    int status = kExitOk;
    ChosenInterface local;
    const std::optional<batch::BatchPlan> plan = SettlePlan(context, options, local, status);
    if (!plan) return status;
    for (const batch::WriteTarget& target : *targets) {
        if (NamesNoDevice(target, local, &context.err)) return kExitUsage;
    }
    std::shared_ptr<TraceLog> log;
    if (!options.log.empty()) {
        log = OpenRunLog(options.log,
                         {.firmware = options.file, .passwordFile = options.passwordFile}, context,
                         status);
        if (!log) return status;
    }

    std::optional<SearchedTargets> searched;
    if (options.allDevices || options.verify) {
        if (!(searched = SearchBeforeWrite(context, options, *plan, *targets))) return kExitFailure;
    }
    if (options.allDevices) {
        targets = searched->listed;
        std::erase_if(*targets, [&](const batch::WriteTarget& target) {
            return NamesNoDevice(target, local, nullptr);
        });
        if (targets->empty()) {
            services.job->Finish();
            if (searched->replies == 0) {
                context.err << "tavro-writer-cli: no device answered the search from "
                            << local.address << "\n";
            } else {
                context.err << "tavro-writer-cli: " << searched->replies
                            << " answers came to the search from " << local.address
                            << ", but no device there answered its version query\n";
            }
            return kExitFailure;
        }
    } else if (searched) {
        // The hardware address and version each device has now, so that --verify knows it
        // again and can tell a new version, and the addresses several devices answer at.
        LearnFromSearch(*targets, *searched);
    }
    AnnounceConflicts(context, *targets);
    const std::unique_ptr<batch::BatchView> view =
        ViewFor(context, options, *plan, *targets, log.get());
    status = BatchStatus(batch::WriteBatch(services, *plan, *targets, *view));
    if (log && !log->Healthy()) {
        context.err << "tavro-writer-cli: the log " << TerminalText(options.log)
                    << " could not be written whole\n";
    }
    if (searched && searched->endedAtBound)
        status = AfterBound(context, options, local.address, *searched, status);
    return status;
}

// Splits "DEVICE... FILE": the last argument is the file.
void SplitDevicesAndFile(std::vector<std::string> arguments, WriteOptions& write) {
    if (arguments.empty()) throw CLI::ValidationError("DEVICE... FILE", "FILE is required");
    write.file = arguments.back();
    arguments.pop_back();
    if (write.file.empty()) throw CLI::ValidationError("FILE", "a file's path, not an empty text");
    write.devices = std::move(arguments);
    if (write.allDevices && !write.devices.empty()) {
        throw CLI::ValidationError(
            "DEVICE... FILE", "--all writes every device a search lists: name no DEVICE beside it");
    }
    if (!write.allDevices && write.devices.empty()) {
        throw CLI::ValidationError("DEVICE... FILE",
                                   "name at least one DEVICE before FILE, or use --all");
    }
}

void AddWriteOptions(CLI::App& command, WriteOptions& write) {
    AddInterfaceOption(
        command, write.interface,
        "Local address or interface name to work from (default: the first usable interface)");
    auto* password = command
                         .add_option("--password", write.password,
                                     "Upload password (default: $TAVRO_PASSWORD, else the "
                                     "factory password)")
                         ->type_name("PASSWORD");
    AddPathOption(command, "--password-file", write.passwordFile,
                  "Read the upload password from the first line of FILE")
        ->excludes(password);
    AddWholeNumberOption(command, "--local-port", write.localPort, 1, 65535,
                         "TCP port the devices connect back to, one for all of them (default: "
                         "one the system picks per device); let it in through a firewall")
        ->type_name("PORT");
    AddSecondsOption(command, "--connect-timeout", write.connectTimeoutSeconds,
                     "Seconds to wait for a device to connect back (default 30)");
    AddSecondsOption(command, "--ack-timeout", write.ackTimeoutSeconds,
                     "Seconds to wait for each acknowledgement and the final word (default 30)");
    command.add_flag("-v,--verbose", write.verbose, "Stream the upload's trace to stderr");
    AddPathOption(command, "--log", write.log,
                  "Add the trace of every device to FILE, after a line that names the run, "
                  "each line behind its time and device (for support)");
    command.add_flag("--all", write.allDevices,
                     "Write every device that a search on the interface lists");
    AddWholeNumberOption(command, "-j,--jobs", write.jobs, 1, 256,
                         "Devices written at once (default 8)")
        ->type_name("N");
    command.add_flag("--json", write.json,
                     "One JSON object per device on stdout, no progress display");
    command.add_flag("--verify", write.verify,
                     "After a success, wait for the device to come back from its reset "
                     "(a search every 2 s) and report its version; exit 5 when it does not");
    AddSecondsOption(command, "--verify-timeout", write.verifySeconds,
                     "Seconds to wait for a device to come back (default 60)");
}

}  // namespace

void AddWriteCommand(CLI::App& app, CommandRun& run) {
    auto* command = app.add_subcommand(
        "write", "Write a firmware file into one or more devices, several at once");
    command->footer(kWriteFooter);
    auto options = std::make_shared<WriteOptions>();
    auto positionals = std::make_shared<std::vector<std::string>>();
    AddWriteOptions(*command, *options);
    TakeEachArgumentLiterally(
        command->add_option("DEVICE... FILE", *positionals,
                            "Addresses of the devices (none with --all), then the firmware file"))
        ->type_name("")
        ->required();
    command->final_callback([options, positionals, &run] {
        SplitDevicesAndFile(*positionals, *options);
        run = [options](const CommandContext& context) { return RunWrite(context, *options); };
    });
}

}  // namespace tavro::cli
