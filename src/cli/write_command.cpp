#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/batch_write.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "cli/strict_address.h"
#include "cli/terminal_text.h"
#include "cli/write_device.h"

namespace tavro::cli {
namespace {

// The devices as the command line names them: each strictly read, none twice. nullopt after
// a message on err.
std::optional<std::vector<WriteTarget>> NamedTargets(const std::vector<std::string>& devices,
                                                     std::ostream& err) {
    std::vector<WriteTarget> targets;
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
        targets.push_back({.address = reading.address, .mac = std::nullopt});
    }
    return targets;
}

// What a search from the interface lists, in list order.
std::vector<WriteTarget> SearchedTargets(const CliServices& services, net::Ipv4Address local) {
    auto table = std::make_unique<discovery::DeviceTable>();
    const int count = std::clamp(services.discoverDevices(*table, local).count, 0,
                                 discovery::DeviceTable::kCapacity);
    std::vector<WriteTarget> targets;
    for (int i = 0; i < count; ++i) {
        const discovery::DeviceRecord& row = table->rows[i];
        // The list holds each reply's sender; only a unicast one can be written to.
        const DeviceAddressReading reading = ReadDeviceAddress(row.addressText);
        if (!reading.accepted()) continue;
        targets.push_back({.address = reading.address, .mac = row.macAddress});
    }
    return targets;
}

}  // namespace

int RunWriteCommand(const CliServices& services, const WriteOptions& options, std::ostream& out,
                    std::ostream& err) {
    std::optional<std::vector<WriteTarget>> targets = NamedTargets(options.devices, err);
    if (!targets) return kExitUsage;
    int status = kExitOk;
    const std::optional<WriteSettings> settings =
        SettleWriteSettings(services, options, err, status);
    if (!settings) return status;
    const net::Ipv4Address local = settings->localAddress;
    const int prefixLength = PrefixLengthOf(services, local);
    for (const WriteTarget& target : *targets) {
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
        std::erase_if(*targets, [&](const WriteTarget& target) {
            return !NotADeviceFrom(target.address, local, prefixLength).empty();
        });
        if (targets->empty()) {
            err << "tavro-writer-cli: no device answered the search from " << local << "\n";
            return kExitFailure;
        }
    } else if (options.verify) {
        // The hardware address each device has now, so that --verify knows it again.
        for (const WriteTarget& seen : SearchedTargets(services, local)) {
            for (WriteTarget& target : *targets) {
                if (target.address == seen.address) target.mac = seen.mac;
            }
        }
    }
    return WriteBatch(services, options, *settings, std::move(*targets), out, err);
}

}  // namespace tavro::cli
