#include <ostream>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/json_text.h"
#include "cli/local_interfaces.h"
#include "cli/terminal_text.h"
#include "interfaces/interface_line.h"
#include "net/socket.h"

namespace tavro::cli {
namespace {

void WriteJson(const interfaces::InterfaceTable& table, std::ostream& out) {
    out << "[";
    for (int i = 0; i < table.count; ++i) {
        const interfaces::LocalInterface& record = table.records[i];
        out << (i ? ",\n " : "\n ") << "{\"index\":" << record.interfaceIndex
            << ",\"address\":" << JsonString(record.address.ToString())
            << ",\"mask\":" << JsonString(record.mask.ToString())
            << ",\"description\":" << JsonString(record.description)
            << ",\"friendlyName\":" << JsonString(record.friendlyName)
            << ",\"ifname\":" << JsonString(record.friendlyName)
            << ",\"prefixlen\":" << PrefixLength(record.mask) << "}";
    }
    out << "\n]\n";
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
