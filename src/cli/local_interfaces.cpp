#include "cli/local_interfaces.h"

#include <memory>
#include <ostream>

#include "cli/terminal_text.h"
#include "interfaces/build_interface_table.h"
#include "texts/search_texts.h"

namespace tavro::cli {

std::optional<interfaces::InterfaceTable> LoadInterfaces(const CliServices& services,
                                                         std::ostream& err) {
    auto table = std::make_unique<interfaces::InterfaceTable>();
    const interfaces::InterfaceBuildResult built =
        interfaces::BuildInterfaceTable(services.readInterfaceFacts(), *table);
    if (!built.adapterListRead) {
        err << "tavro-writer-cli: " << TerminalText(built.reason) << "\n";
        return std::nullopt;
    }
    if (table->count == 0) {
        err << texts::NoInterfaceText(texts::LanguageFromEnvironment(services.environment)) << "\n";
        return std::nullopt;
    }
    return *table;
}

std::optional<net::Ipv4Address> ChooseLocalAddress(const CliServices& services,
                                                   const std::string& requested,
                                                   std::ostream& err) {
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(services, err);
    if (!table) return std::nullopt;
    if (requested.empty()) return table->records[0].address;
    // Only the text an interface's address is shown as names it.
    const std::optional<net::Ipv4Address> address = net::Ipv4Address::ParseDottedQuad(requested);
    for (int i = 0; address && i < table->count; ++i) {
        if (table->records[i].address == *address) return address;
    }
    err << "tavro-writer-cli: " << TerminalText(requested)
        << " is not the address of a usable interface (see: tavro-writer-cli interfaces)\n";
    return std::nullopt;
}

}  // namespace tavro::cli
