#pragma once

#include <string>

#include "texts/language.h"

namespace tavro::texts {

// Why this computer could not do its part, from a socket code: the system's own words for a
// shortage ("too many open files", "no buffer space available"), else the code.
std::string LocalErrorText(int code, Language language);

}  // namespace tavro::texts
