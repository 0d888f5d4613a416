#include "cli/local_interfaces.h"

#include <bit>
#include <memory>
#include <ostream>

#include "cli/terminal_text.h"
#include "interfaces/build_interface_table.h"
#include "net/byte_order.h"
#include "net/socket.h"

namespace tavro::cli {
namespace {

ChosenInterface Chosen(const interfaces::LocalInterface& record) {
    return {.address = net::FormatIPv4(record.address),
            .name = record.friendlyName,
            .prefixLength = PrefixLength(record.mask)};
}

}  // namespace

int PrefixLength(std::uint32_t mask) { return std::countl_one(net::NetworkToHost32(mask)); }

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
        err << "ネットワークデバイスが見つかりませんでした。\n";
        return std::nullopt;
    }
    return *table;
}

std::optional<ChosenInterface> ChooseInterface(const CliServices& services,
                                               const std::string& requested, std::ostream& err) {
    const std::optional<interfaces::InterfaceTable> table = LoadInterfaces(services, err);
    if (!table) return std::nullopt;
    if (requested.empty()) return Chosen(table->records[0]);
    for (int i = 0; i < table->count; ++i) {
        if (net::FormatIPv4(table->records[i].address) == requested) {
            return Chosen(table->records[i]);
        }
    }
    for (int i = 0; i < table->count; ++i) {
        if (requested == table->records[i].friendlyName) return Chosen(table->records[i]);
    }
    err << "tavro-writer-cli: " << TerminalText(requested)
        << " is neither the address nor the name of a usable interface (see: tavro-writer-cli "
           "interfaces)\n";
    return std::nullopt;
}

std::optional<std::string> ChooseLocalAddress(const CliServices& services,
                                              const std::string& requested, std::ostream& err) {
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
