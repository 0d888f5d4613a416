#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/cli_services.h"
#include "interfaces/local_interface.h"
#include "net/ipv4_address.h"

namespace tavro::cli {

// The usable local interfaces, built as the dialog builds them. nullopt after a message on
// err: the adapter list could not be read, or no usable interface exists.
std::optional<interfaces::InterfaceTable> LoadInterfaces(const CliServices& services,
                                                         std::ostream& err);

// The local address to work from: the requested one when it belongs to a usable interface,
// the first usable one when none was requested. nullopt after a message on err.
std::optional<net::Ipv4Address> ChooseLocalAddress(const CliServices& services,
                                                   const std::string& requested, std::ostream& err);

}  // namespace tavro::cli
