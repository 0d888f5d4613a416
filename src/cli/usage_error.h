#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavro::cli {

// The known name closest to what was typed ("serch" → "search"), when one is close enough to
// be what was meant; empty otherwise.
std::string ClosestName(std::string_view typed, const std::vector<std::string>& known);

// "unknown command 'serch'; did you mean 'search'?" (what = "command"), or without the
// suggestion when nothing known is close.
std::string UnknownNameText(std::string_view what, std::string_view typed,
                            const std::vector<std::string>& known);

}  // namespace tavro::cli
