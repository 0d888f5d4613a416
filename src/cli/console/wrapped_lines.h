#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro::cli {

// Lines (each ending in "\n") wrapped so that none is wider than `columns` display columns:
// broken after the last space that fits, or inside a word (between characters) that has
// none; each continuation is indented two columns beyond its line's own indent. Nothing is
// cut off, for these are the lines that stay on the screen.
std::string WrapToColumns(std::string_view lines, std::size_t columns);

}  // namespace tavro::cli
