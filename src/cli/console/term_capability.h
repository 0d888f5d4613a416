#pragma once

#include <optional>
#include <string_view>

namespace tavro::cli {

// Whether a terminal that TERM names moves its cursor on request: not when TERM is unset,
// empty or "dumb" (an editor's shell buffer, a serial log, a CI console), which print the
// escapes as they come.
bool TermTakesCursorMoves(std::optional<std::string_view> term);

}  // namespace tavro::cli
