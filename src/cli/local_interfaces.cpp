#include "cli/local_interfaces.h"

#include <bit>
#include <memory>
#include <ostream>

#include "cli/console/terminal_text.h"
#include "interfaces/build_interface_table.h"
#include "texts/search_texts.h"

namespace tavro::cli {
namespace {

ChosenInterface Chosen(const interfaces::LocalInterface& record) {
    return {.address = record.address,
            .name = record.friendlyName,
            .prefixLength = PrefixLength(record.mask)};
}

}  // namespace

int PrefixLength(net::Ipv4Address mask) { return std::countl_one(mask.hostOrder()); }

std::optional<interfaces::InterfaceTable> LoadInterfaces(const CommandContext& context) {
    auto table = std::make_unique<interfaces::InterfaceTable>();
    const interfaces::InterfaceBuildResult built =
        interfaces::BuildInterfaceTable(context.services.readInterfaceFacts(), *table);
    if (!built.adapterListRead) {
        context.err << "tavro-writer-cli: " << TerminalText(built.reason) << "\n";
        return std::nullopt;
    }
    if (table->count == 0) {
        context.err << texts::NoInterfaceText(context.language) << "\n";
        return std::nullopt;
    }
    return *table;
}

std::optional<ChosenInterface> ChooseInterface(const CommandContext& context,
                                               const std::string& requested) {
    std::ostream& err = context.err;
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(context);
    if (!table) return std::nullopt;
    if (requested.empty()) return Chosen(table->records[0]);
    // Only the text an interface's address is shown as names it.
    const std::optional<net::Ipv4Address> address = net::Ipv4Address::ParseDottedQuad(requested);
    for (int i = 0; address && i < table->count; ++i) {
        if (table->records[i].address == *address) return Chosen(table->records[i]);
    }
    for (int i = 0; i < table->count; ++i) {
        if (requested == table->records[i].friendlyName) return Chosen(table->records[i]);
    }
    err << "tavro-writer-cli: " << TerminalText(requested)
        << " is neither the address nor the name of a usable interface (see: tavro-writer-cli "
           "interfaces)\n";
    return std::nullopt;
}

std::optional<std::vector<ChosenInterface>> EveryInterface(const CommandContext& context) {
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(context);
    if (!table) return std::nullopt;
    std::vector<ChosenInterface> every;
    for (int i = 0; i < table->count; ++i) {
        const interfaces::LocalInterface& record = table->records[i];
        bool seen = false;
        for (int j = 0; j < i; ++j)
            seen = seen || table->records[j].interfaceIndex == record.interfaceIndex;
        if (!seen) every.push_back(Chosen(record));
    }
    return every;
}

}  // namespace tavro::cli
