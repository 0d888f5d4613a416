#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "interfaces/local_interface.h"

namespace tavro::cli {

// The usable local interfaces, built as the dialog builds them. nullopt after a message on
// err: the adapter list could not be read, or no usable interface exists.
std::optional<interfaces::InterfaceTable> LoadInterfaces(const CommandContext& context);

// A local address to work from, with the interface it belongs to.
struct ChosenInterface {
    net::Ipv4Address address;
    std::string name;  // the interface's name (its friendly name), as the system gives it
    int prefixLength = 0;
};

// The leading one bits of a mask.
int PrefixLength(net::Ipv4Address mask);

// The interface to work from: the usable address requested, or the first usable address of
// the interface of that name, or the first usable address of all when none was requested.
// nullopt after a message on err.
std::optional<ChosenInterface> ChooseInterface(const CommandContext& context,
                                               const std::string& requested);

// Every usable interface once, each by its first usable address, in table order. nullopt
// after a message on err.
std::optional<std::vector<ChosenInterface>> EveryInterface(const CommandContext& context);

}  // namespace tavro::cli
