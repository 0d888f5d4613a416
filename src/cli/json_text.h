#pragma once

#include <string>
#include <string_view>

namespace tavro::cli {

// A JSON string literal, quotes included, that is valid UTF-8 whatever the text holds: bytes
// that are not UTF-8 become U+FFFD (one for each such byte), control characters (C0, DEL, C1)
// and the line and paragraph separators U+2028 and U+2029 become \u escapes.
std::string JsonString(std::string_view text);

}  // namespace tavro::cli
