#pragma once

#include <string>

namespace tavro::ui {

struct VersionParts {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned revision = 0;
};

// The compiled-in program version.
VersionParts ProgramVersion();

// "Version 1.00" for 1.0.0.0; the revision is shown only when it is not 0: 1.2.3.4 gives
// "Version 1.234".
std::string VersionText(const VersionParts& parts);

}  // namespace tavro::ui
