#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_services.h"
#include "cli/comeback_watch.h"
#include "cli/commands.h"

namespace tavro::cli {

// A device to write, with the hardware address a search saw it with before, if one did.
struct WriteTarget {
    std::string address;
    std::optional<ComebackWatch::Mac> mac;
};

// Writes the file into every target from the local address, at most options.jobs at a time,
// each with its own upload (sockets, sink, report); with options.verify waits for each one
// that succeeded to come back. Shows the devices' progress and results as the options say and
// returns 0 when every device succeeded, else the status of the first one that failed.
int WriteBatch(const CliServices& services, const WriteOptions& options, std::string localAddress,
               std::vector<WriteTarget> targets, std::ostream& out, std::ostream& err);

}  // namespace tavro::cli
