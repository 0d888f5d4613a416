#pragma once

#include <iosfwd>
#include <optional>
#include <vector>

#include "cli/cli_services.h"
#include "cli/comeback_watch.h"
#include "cli/commands.h"
#include "cli/write_device.h"
#include "net/ipv4_address.h"

namespace tavro::cli {

// A device to write, with what a search saw of it before, if one did.
struct WriteTarget {
    net::Ipv4Address address;
    ComebackWatch::Before before;
};

// Writes the file into every target from the settings' local address, at most options.jobs at
// a time, each with its own upload (sockets, sink, report); a fixed local port is one listener
// that all of them share. With options.verify waits for each one that succeeded to come back.
// Shows the devices' progress and results as the options say and returns 0 when every device
// succeeded, else the status of the first one that failed.
int WriteBatch(const CliServices& services, const WriteOptions& options,
               const WriteSettings& settings, std::vector<WriteTarget> targets, std::ostream& out,
               std::ostream& err);

}  // namespace tavro::cli
