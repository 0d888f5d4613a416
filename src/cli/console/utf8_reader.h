#pragma once

#include <cstddef>
#include <string_view>

namespace tavro::cli {

// One step through text that claims to be UTF-8.
struct Utf8Step {
    char32_t codePoint = 0;  // valid steps only
    std::size_t length = 1;  // bytes taken; an invalid step takes one byte
    bool valid = false;
};

// Reads the character that starts at text[at] (at < text.size()). Only the shortest form of a
// scalar value is valid: overlong forms, surrogates, values above U+10FFFF, stray continuation
// bytes and sequences cut short are invalid, and such a step covers its first byte alone, so
// that what follows is read afresh.
Utf8Step ReadUtf8(std::string_view text, std::size_t at);

}  // namespace tavro::cli
