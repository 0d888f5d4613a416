#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "cli/commands.h"
#include "cli/console/json_text.h"
#include "cli/console/terminal_text.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "interfaces/interface_line.h"
#include "net/socket.h"

namespace tavro::cli {
namespace {

// One array, one interface to a line; "[]" when there is none.
void WriteJson(const interfaces::InterfaceTable& table, std::ostream& out) {
    std::string lines;
    for (int i = 0; i < table.count; ++i) {
        const interfaces::LocalInterface& record = table.records[i];
        const Json object = {
            {"index", record.interfaceIndex},         {"address", record.address.ToString()},
            {"mask", record.mask.ToString()},         {"description", record.description},
            {"friendlyName", record.friendlyName},    {"ifname", record.friendlyName},
            {"prefixlen", PrefixLength(record.mask)},
        };
        lines += (lines.empty() ? "\n " : ",\n ") + JsonText(object);
    }
    out << "[" << lines << (lines.empty() ? "]\n" : "\n]\n");
}

int RunInterfaces(const CommandContext& context, bool json) {
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(context);
    if (!table) return kExitFailure;
    if (json) {
        WriteJson(*table, context.out);
        return kExitOk;
    }
    for (int i = 0; i < table->count; ++i) {
        context.out << TerminalText(interfaces::InterfaceLine(table->records[i])) << "\n";
    }
    return kExitOk;
}

}  // namespace

// The interface list lines, in table order, or one JSON array.
void AddInterfacesCommand(CLI::App& app, CommandRun& run) {
    auto* command = app.add_subcommand("interfaces", "List the usable local IPv4 interfaces");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "One JSON array instead of the interface lines");
    command->final_callback([json, &run] {
        run = [json](const CommandContext& context) { return RunInterfaces(context, *json); };
    });
}

}  // namespace tavro::cli
