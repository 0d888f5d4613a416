#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/cli_services.h"

namespace tavro::cli {

// Each command writes its results on out and everything else on err, and returns the
// process exit status (exit_status.h).

// The interface list lines, in table order, or one JSON array.
int RunInterfacesCommand(const CliServices& services, bool json, std::ostream& out,
                         std::ostream& err);

// One device line per device found from the local address, or one JSON array.
int RunSearchCommand(const CliServices& services, const std::string& interfaceAddress, bool json,
                     std::ostream& out, std::ostream& err);

struct WriteOptions {
    std::string interfaceAddress;         // empty: the first usable interface
    std::optional<std::string> password;  // --password
    std::string passwordFile;             // --password-file; empty: none
    bool verbose = false;
    std::uint16_t localPort = 0;  // 0: a port the system picks
    std::optional<double> connectTimeoutSeconds;
    std::optional<double> ackTimeoutSeconds;
    std::string device;
    std::string file;
};

// Writes the file into the device; exits with the upload's outcome.
int RunWriteCommand(const CliServices& services, const WriteOptions& options, std::ostream& out,
                    std::ostream& err);

// Parses the command line and runs the command it names.
int RunCli(int argc, const char* const* argv, const CliServices& services, std::ostream& out,
           std::ostream& err);

}  // namespace tavro::cli
