#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_services.h"

namespace tavro::cli {

// Each command writes its results on out and everything else on err, and returns the
// process exit status (exit_status.h).

// The interface list lines, in table order, or one JSON array.
int RunInterfacesCommand(const CliServices& services, bool json, std::ostream& out,
                         std::ostream& err);

struct SearchOptions {
    std::string interface;  // an address or a name; empty: the first usable interface
    bool allInterfaces = false;
    bool json = false;
};

// One device line per device found from the local address (or from every interface, each
// line tagged with it), or one JSON array.
int RunSearchCommand(const CliServices& services, const SearchOptions& options, std::ostream& out,
                     std::ostream& err);

struct WriteOptions {
    std::string interface;                // an address or a name; empty: the first usable interface
    std::optional<std::string> password;  // --password
    std::string passwordFile;             // --password-file; empty: none
    bool verbose = false;
    std::uint16_t localPort = 0;  // 0: a port the system picks
    std::optional<double> connectTimeoutSeconds;
    std::optional<double> ackTimeoutSeconds;
    std::vector<std::string> devices;
    bool allDevices = false;  // every device a search on the interface lists
    std::string file;
    bool json = false;
    int jobs = 8;  // devices written at once
    bool verify = false;
    std::chrono::milliseconds verifyTimeout{60000};
};

// Writes the file into each device, several at once; exits 0 when every device took it (and
// came back, with verify), else with the status of the first device that failed.
int RunWriteCommand(const CliServices& services, const WriteOptions& options, std::ostream& out,
                    std::ostream& err);

// Parses the command line and runs the command it names.
int RunCli(int argc, const char* const* argv, const CliServices& services, std::ostream& out,
           std::ostream& err);

}  // namespace tavro::cli
