#pragma once

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
};

// The password, or nullopt after a message on err when the password file cannot be read. The
// file's first line is the password, without its line break.
std::optional<std::string> ResolvePassword(const PasswordSources& sources,
                                           const texts::EnvironmentLookup& environment,
                                           std::ostream& err);

}  // namespace tavro::cli
