#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro::sim {

// Reads C escapes (\r \n \t \0 \\ \xNN) into the bytes they name, so an option can carry any
// byte, a comma included (\x2c). nullopt, with why set, for an escape it does not know.
std::optional<std::string> UnescapeText(std::string_view text, std::string& why);

// Writes bytes as one printable line: the same escapes for CR, LF, TAB, NUL and backslash,
// \xNN for every other byte outside printable ASCII.
std::string EscapeText(std::string_view bytes);

}  // namespace tavro::sim
