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

// Japanese when the locale that governs messages (LC_ALL, else LC_MESSAGES, else LANG, the
// first of them set and not empty) has the language "ja" and names the codeset UTF-8 or none
// (ja_JP.UTF-8, ja_JP.utf8, ja_JP, ja), and the characters are UTF-8 (below): the texts are
// UTF-8. English otherwise (ja_JP.eucJP, ja_JP.SJIS, C, POSIX, a name that merely begins with
// "ja", LC_CTYPE=C under LANG=ja_JP.UTF-8).
Language LanguageFromEnvironment(const EnvironmentLookup& environment);

// Whether the terminal reads UTF-8, by the locale of the characters (LC_ALL, else LC_CTYPE,
// else LANG, the first set and not empty): one that names the codeset UTF-8, or names none
// and is neither C nor POSIX (a locale without a codeset is taken as UTF-8, as today's
// systems give it). No such locale at all is the C locale: ASCII.
bool CharactersAreUtf8(const EnvironmentLookup& environment);

}  // namespace tavro::texts
