#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>

#include "texts/language.h"

namespace tavro::cli {

// Where the upload password comes from, first found first: --password, --password-file, the
// TAVRO_PASSWORD environment variable, else the devices' factory password. The password is
// never echoed, in a message or anywhere else.
struct PasswordSources {
    std::optional<std::string> given;  // --password
    std::string file;                  // --password-file; empty: none
    // How long the file may take to give its first line (a FIFO waits for its writer).
    std::chrono::milliseconds fileWait{10000};
};

// The password, or nullopt after a message on err when the password file cannot be read, holds
// no line end within 4096 bytes or gives none in time. The file's first line is the password,
// without its line break; nothing after it is read.
std::optional<std::string> ResolvePassword(const PasswordSources& sources,
                                           const texts::EnvironmentLookup& environment,
                                           std::ostream& err);

}  // namespace tavro::cli
