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
#include "texts/search_texts.h"

namespace tavro::cli {
namespace {

// One interface's search and what it found.
struct InterfaceSearch {
    explicit InterfaceSearch(ChosenInterface chosen) : where(std::move(chosen)) {}

    ChosenInterface where;
    std::unique_ptr<discovery::DeviceTable> table = std::make_unique<discovery::DeviceTable>();
    discovery::SearchOutcome outcome;

    int listed() const { return std::min(outcome.count, discovery::DeviceTable::kCapacity); }
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
            search.outcome = services.discoverDevices(*search.table, search.where.address);
        });
    }
}

// One array, one device to a line.
void WriteJson(const std::vector<InterfaceSearch>& searches, std::ostream& out) {
    std::string lines;
    for (const InterfaceSearch& search : searches) {
        for (int i = 0; i < search.listed(); ++i) {
            lines += (lines.empty() ? "\n " : ",\n ") +
                     JsonText(DeviceJson(search.table->rows[i], search.where.name,
                                         search.where.address.ToString()));
        }
    }
    out << "[" << lines << (lines.empty() ? "]\n" : "\n]\n");
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
    const texts::Language language = context.language;
    for (const InterfaceSearch& search : searches) {
        const std::string on =
            options.allInterfaces ? " on " + TerminalText(search.where.name) : std::string();
        if (search.outcome.count < 0) {
            err << "tavro-writer-cli: the search from " << search.where.address.ToString() << on
                << " failed\n";
            status = kExitFailure;
        } else if (const std::string notice = texts::SearchNoticeText(search.outcome, language);
                   !notice.empty()) {
            err << "tavro-writer-cli: " << (on.empty() ? "" : on.substr(1) + ": ") << notice
                << "\n";
        } else if (search.outcome.count == 0) {
            err << "tavro-writer-cli: "
                << texts::NoDeviceAnsweredText(TerminalText(search.where.name),
                                               search.where.address.ToString(), language)
                << "\n";
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
        for (int i = 0; i < search.listed(); ++i) {
            out << TerminalText(discovery::DeviceLine(search.table->rows[i])) << via << "\n";
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
