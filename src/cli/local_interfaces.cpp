#include "cli/local_interfaces.h"

#include <bit>
#include <memory>
#include <ostream>

#include "cli/terminal_text.h"
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

std::optional<ChosenInterface> ChooseInterface(const CliServices& services,
                                               const std::string& requested, std::ostream& err) {
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(services, err);
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

int PrefixLengthOf(const CliServices& services, net::Ipv4Address local) {
    auto table = std::make_unique<interfaces::InterfaceTable>();
    interfaces::BuildInterfaceTable(services.readInterfaceFacts(), *table);
    for (int i = 0; i < table->count; ++i) {
        if (table->records[i].address == local) return PrefixLength(table->records[i].mask);
    }
    return 32;
}

std::optional<net::Ipv4Address> ChooseLocalAddress(const CliServices& services,
                                                   const std::string& requested,
                                                   std::ostream& err) {
    const std::optional<ChosenInterface> chosen = ChooseInterface(services, requested, err);
    if (!chosen) return std::nullopt;
    return chosen->address;
}

std::optional<std::vector<ChosenInterface>> EveryInterface(const CliServices& services,
                                                           std::ostream& err) {
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(services, err);
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
