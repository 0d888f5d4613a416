#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/console/device_json.h"
#include "cli/console/json_text.h"
#include "cli/console/terminal_text.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "cli/option_checks.h"
#include "discovery/device_table.h"
#include "discovery/sightings.h"
#include "discovery/sightings_summary.h"
#include "discovery/version_queries.h"
#include "texts/local_error_texts.h"
#include "texts/search_texts.h"

namespace tavro::cli {
namespace {

// One interface's search and what it found: every reply, not only the device list's 256.
struct InterfaceSearch {
    explicit InterfaceSearch(ChosenInterface chosen) : where(std::move(chosen)) {}

    ChosenInterface where;
    discovery::Sightings sightings;

    // The rows the device list's own rule accepts, in reply order.
    std::vector<const discovery::DeviceRecord*> listed() const {
        std::vector<const discovery::DeviceRecord*> rows;
        for (const discovery::Sighting& sighting : sightings.replies) {
            if (sighting.listed) rows.push_back(&sighting.row);
        }
        return rows;
    }
};

std::string JoinedAddresses(const std::vector<InterfaceSearch>& searches) {
    std::string joined;
    for (std::size_t i = 0; i < searches.size(); ++i) {
        joined += (i == 0                     ? ""
                   : i + 1 == searches.size() ? " and "
                                              : ", ") +
                  searches[i].where.address.ToString();
    }
    return joined;
}

struct SearchOptions {
    std::string interface;  // an address or a name; empty: the first usable interface
    bool allInterfaces = false;
    bool json = false;
};

// Each interface searched on its own thread, all at once: every search ends within its bound.
void SearchAll(const CliServices& services, std::vector<InterfaceSearch>& searches) {
    std::vector<std::jthread> running;
    for (InterfaceSearch& search : searches) {
        running.emplace_back([&services, &search] {
            search.sightings = services.searchEveryDevice(search.where.address);
        });
    }
}

// One array, one device to a line.
void WriteJson(const std::vector<InterfaceSearch>& searches, std::ostream& out) {
    std::string lines;
    for (const InterfaceSearch& search : searches) {
        for (const discovery::DeviceRecord* row : search.listed()) {
            lines += (lines.empty() ? "\n " : ",\n ") +
                     JsonText(DeviceJson(*row, search.where.name, search.where.address.ToString()));
        }
    }
    out << "[" << lines << (lines.empty() ? "]\n" : "\n]\n");
}

// Tells on stderr what one interface's search could not list, and why. false when the search
// failed or this computer could not ask some device: the list is then not the network's.
bool TellWhatWasNotListed(const InterfaceSearch& search, bool tagged, texts::Language language,
                          std::ostream& err) {
    const std::string on = tagged ? " on " + TerminalText(search.where.name) : std::string();
    const std::string lead = "tavro-writer-cli: " + (on.empty() ? "" : on.substr(1) + ": ");
    const discovery::Sightings& sightings = search.sightings;
    if (sightings.error != 0) {
        err << "tavro-writer-cli: the search from " << search.where.address.ToString() << on
            << " failed"
            // The sentence is English; so is its reason.
            << (sightings.error > 0
                    ? ": " + texts::LocalErrorText(sightings.error, texts::Language::English)
                    : std::string())
            << "\n";
        return false;
    }
    const discovery::SightingsSummary summary = discovery::Summarize(sightings);
    const std::string name = TerminalText(search.where.name);
    const std::string address = search.where.address.ToString();
    if (sightings.leftOut > 0) {
        err << lead
            << texts::RepliesLeftOutText(sightings.leftOut,
                                         static_cast<int>(discovery::VersionQueries::kMostReplies),
                                         language)
            << "\n";
    }
    if (sightings.endedAtBound) {
        discovery::SearchOutcome bound(summary.listed);
        bound.endedAtBound = true;
        err << lead << texts::SearchNoticeText(bound, language) << "\n";
    }
    if (summary.listed == 0 && summary.devices > 0) {
        err << lead
            << texts::UnansweredVersionText(summary.devices, summary.unaskedDevices,
                                            summary.localError, name, address, language)
            << "\n";
    } else if (summary.unaskedDevices > 0) {
        err << lead
            << texts::UnaskedDevicesText(summary.unaskedDevices, summary.localError, language)
            << "\n";
    } else if (summary.devices == 0 && !sightings.endedAtBound && sightings.leftOut == 0) {
        err << "tavro-writer-cli: " << texts::NoDeviceAnsweredText(name, address, language) << "\n";
    }
    return summary.unaskedDevices == 0;
}

// One device line per device found from the local address (or from every interface, each
// line tagged with it), or one JSON array.
int RunSearch(const CommandContext& context, const SearchOptions& options) {
    const CliServices& services = context.services;
    std::ostream& out = context.out;
    std::ostream& err = context.err;
    std::vector<InterfaceSearch> searches;
    if (options.allInterfaces) {
        const auto every = EveryInterface(context);
        if (!every) return kExitFailure;
        for (const ChosenInterface& where : *every) searches.push_back(InterfaceSearch{where});
    } else {
        const auto chosen = ChooseInterface(context, options.interface);
        if (!chosen) return kExitFailure;
        searches.push_back(InterfaceSearch{*chosen});
    }

    services.job->BeginSearch(JoinedAddresses(searches));
    SearchAll(services, searches);
    services.job->Finish();  // a stop signal from here on no longer cuts the list short

    int status = kExitOk;
    for (const InterfaceSearch& search : searches) {
        if (!TellWhatWasNotListed(search, options.allInterfaces, context.language, err)) {
            status = kExitFailure;
        }
    }
    if (options.json) {
        WriteJson(searches, out);
        return status;
    }
    for (const InterfaceSearch& search : searches) {
        const std::string via = options.allInterfaces
                                    ? "  via " + TerminalText(search.where.name) + " (" +
                                          search.where.address.ToString() + ")"
                                    : std::string();
        for (const discovery::DeviceRecord* row : search.listed()) {
            out << TerminalText(discovery::DeviceLine(*row)) << via << "\n";
        }
    }
    return status;
}

}  // namespace

void AddSearchCommand(CLI::App& app, CommandRun& run) {
    auto* command = app.add_subcommand("search", "Find the devices on the chosen interface");
    auto options = std::make_shared<SearchOptions>();
    auto* interface = AddInterfaceOption(
        *command, options->interface,
        "Local address or interface name to search from (default: the first usable interface)");
    command
        ->add_flag("--all-interfaces", options->allInterfaces,
                   "Search every usable interface at once; each device is tagged with its own")
        ->excludes(interface);
    command->add_flag("--json", options->json, "One JSON array instead of the device lines");
    command->final_callback([options, &run] {
        run = [options](const CommandContext& context) { return RunSearch(context, *options); };
    });
}

}  // namespace tavro::cli
