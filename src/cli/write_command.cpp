#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "batch/write_batch.h"
#include "cli/commands.h"
#include "cli/console/board_view.h"
#include "cli/console/json_lines_view.h"
#include "cli/console/single_device_view.h"
#include "cli/device_status.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "cli/password_source.h"
#include "cli/strict_address.h"
#include "cli/terminal_text.h"

namespace tavro::cli {
namespace {

std::chrono::milliseconds Milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000.0)));
}

// The devices as the command line names them: each strictly read, none twice. nullopt after
// a message on err.
std::optional<std::vector<batch::WriteTarget>> NamedTargets(const std::vector<std::string>& devices,
                                                            std::ostream& err) {
    std::vector<batch::WriteTarget> targets;
    std::set<std::string> seen;
    for (const std::string& device : devices) {
        const DeviceAddressReading reading = ReadDeviceAddress(device);
        if (!reading.accepted()) {
            err << "tavro-writer-cli: \"" << TerminalText(device)
                << "\" is not a device address: " << reading.refusal << "\n";
            return std::nullopt;
        }
        if (!seen.insert(device).second) {
            err << "tavro-writer-cli: " << device << " is named twice\n";
            return std::nullopt;
        }
        targets.push_back({.address = reading.address, .before = {}});
    }
    return targets;
}

// What a search from the interface lists, in list order, each address once: a device that
// answered the probe several times is still one device.
std::vector<batch::WriteTarget> SearchedTargets(const CliServices& services,
                                                net::Ipv4Address local) {
    auto table = std::make_unique<discovery::DeviceTable>();
    const int count = std::clamp(services.discoverDevices(*table, local).count, 0,
                                 discovery::DeviceTable::kCapacity);
    std::vector<batch::WriteTarget> targets;
    for (int i = 0; i < count; ++i) {
        const discovery::DeviceRecord& row = table->rows[i];
        // The list holds each reply's sender; only a unicast one can be written to.
        const DeviceAddressReading reading = ReadDeviceAddress(row.addressText);
        if (!reading.accepted()) continue;
        const auto same = [&](const batch::WriteTarget& t) { return t.address == reading.address; };
        if (std::any_of(targets.begin(), targets.end(), same)) continue;
        targets.push_back({.address = reading.address,
                           .before = {.mac = row.macAddress, .sketchVersion = row.sketchVersion}});
    }
    return targets;
}

// The plan of the batch from the options and the environment; nullopt with the exit status
// after a message on err.
std::optional<batch::BatchPlan> SettlePlan(const CliServices& services, const WriteOptions& options,
                                           std::ostream& err, int& status) {
    const std::optional<std::string> password =
        ResolvePassword({options.password, options.passwordFile}, services.environment, err);
    if (!password) {
        status = kExitUsage;
        return std::nullopt;
    }
    const std::optional<net::Ipv4Address> local =
        ChooseLocalAddress(services, options.interface, err);
    if (!local) {
        status = kExitFailure;
        return std::nullopt;
    }
    batch::BatchPlan plan{.file = options.file,
                          .localAddress = *local,
                          .password = *password,
                          .localPort = options.localPort,
                          .timeouts = {},
                          .jobs = options.jobs,
                          .verify = options.verify,
                          .verifyTimeout = options.verifyTimeout,
                          .comebackInterval = services.comebackInterval};
    if (options.connectTimeoutSeconds) {
        plan.timeouts.connectBack = Milliseconds(*options.connectTimeoutSeconds);
    }
    if (options.ackTimeoutSeconds) {
        plan.timeouts.acknowledgement = Milliseconds(*options.ackTimeoutSeconds);
    }
    return plan;
}

// How the write shows itself: JSON lines, one device alone, or the board of several.
std::unique_ptr<batch::BatchView> ViewFor(const CliServices& services, const WriteOptions& options,
                                          const std::vector<batch::WriteTarget>& targets,
                                          std::ostream& out, std::ostream& err) {
    ConsoleSettings settings{.job = *services.job,
                             .out = out,
                             .err = err,
                             .language = texts::LanguageFromEnvironment(services.environment),
                             .trace = options.verbose,
                             .status = !options.verbose && services.stderrIsTerminal(),
                             .columns = services.terminalColumns(),
                             .now = services.now,
                             .verify = options.verify,
                             .verifyTimeout = options.verifyTimeout,
                             .file = TerminalText(options.file),
                             .path = batch::AbsoluteUtf8Path(options.file)};
    if (options.json) return std::make_unique<JsonLinesView>(std::move(settings), targets);
    if (targets.size() == 1)
        return std::make_unique<SingleDeviceView>(std::move(settings), targets);
    return std::make_unique<BoardView>(std::move(settings), targets);
}

}  // namespace

int RunWriteCommand(const CliServices& services, const WriteOptions& options, std::ostream& out,
                    std::ostream& err) {
    std::optional<std::vector<batch::WriteTarget>> targets = NamedTargets(options.devices, err);
    if (!targets) return kExitUsage;
    int status = kExitOk;
    const std::optional<batch::BatchPlan> plan = SettlePlan(services, options, err, status);
    if (!plan) return status;
    const net::Ipv4Address local = plan->localAddress;
    const int prefixLength = PrefixLengthOf(services, local);
    for (const batch::WriteTarget& target : *targets) {
        if (const std::string why = NotADeviceFrom(target.address, local, prefixLength);
            !why.empty()) {
            err << "tavro-writer-cli: \"" << target.address << "\" is not a device address: " << why
                << "\n";
            return kExitUsage;
        }
    }

    if (options.allDevices || options.verify) services.job->BeginSearch(local.ToString());
    if (options.allDevices) {
        targets = SearchedTargets(services, local);
        // An answer from an address no device can have is no device.
        std::erase_if(*targets, [&](const batch::WriteTarget& target) {
            return !NotADeviceFrom(target.address, local, prefixLength).empty();
        });
        if (targets->empty()) {
            err << "tavro-writer-cli: no device answered the search from " << local << "\n";
            return kExitFailure;
        }
    } else if (options.verify) {
        // The hardware address and version each device has now, so that --verify knows it
        // again and can tell a new version.
        for (const batch::WriteTarget& seen : SearchedTargets(services, local)) {
            for (batch::WriteTarget& target : *targets) {
                if (target.address == seen.address) target.before = seen.before;
            }
        }
    }
    const std::unique_ptr<batch::BatchView> view = ViewFor(services, options, *targets, out, err);
    return BatchStatus(batch::WriteBatch(services, *plan, *targets, *view));
}

}  // namespace tavro::cli
