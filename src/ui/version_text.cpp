#include "ui/version_text.h"

#include <cstdio>

#include "version.h"

namespace tavro::ui {

VersionParts ProgramVersion() {
    return {kVersionMajor, kVersionMinor, kVersionBuild, kVersionRevision};
}

std::string VersionText(const VersionParts& parts) {
    char text[64];
    if (parts.revision != 0) {
        std::snprintf(text, sizeof text, "Version %u.%u%u%u", parts.major, parts.minor, parts.build,
                      parts.revision);
    } else {
        std::snprintf(text, sizeof text, "Version %u.%u%u", parts.major, parts.minor, parts.build);
    }
    return text;
}

}  // namespace tavro::ui
