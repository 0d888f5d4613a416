#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro::cli {

// What a terminal reads, and so which decorations the views may print.
enum class Charset { Utf8, Ascii };

// The columns a terminal gives UTF-8 text that holds no control characters: two for East Asian
// wide and fullwidth characters, one for the rest.
std::size_t DisplayColumns(std::string_view text);

// The text cut to at most `columns` columns, never inside a character, with "…" where it was
// cut ("..." for an ASCII terminal); text that fits comes back whole.
std::string FitToColumns(std::string_view text, std::size_t columns,
                         Charset charset = Charset::Utf8);

}  // namespace tavro::cli
