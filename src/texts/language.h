#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::texts {

// The languages the texts are written in. The dialog speaks Japanese only; the command line
// follows the user's locale.
enum class Language { Japanese, English };

// Reads one environment variable; nullopt when it is not set. Passed in, so that the choice
// is made from whatever environment a caller hands over (a test's, the process's).
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// Japanese when the locale that governs messages names it: LC_ALL, else LC_MESSAGES, else
// LANG, the first of them set and not empty, beginning with "ja". English otherwise.
Language LanguageFromEnvironment(const EnvironmentLookup& environment);

}  // namespace tavro::texts
