#include <ostream>

#include "cli/commands.h"
#include "cli/console/json_text.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "cli/terminal_text.h"
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

}  // namespace

int RunInterfacesCommand(const CliServices& services, bool json, std::ostream& out,
                         std::ostream& err) {
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(services, err);
    if (!table) return kExitFailure;
    if (json) {
        WriteJson(*table, out);
        return kExitOk;
    }
    for (int i = 0; i < table->count; ++i) {
        out << TerminalText(interfaces::InterfaceLine(table->records[i])) << "\n";
    }
    return kExitOk;
}

}  // namespace tavro::cli
