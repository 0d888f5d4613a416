#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavro::discovery {

// The numbers a version answer carries; a line without its prefix carries none.
struct VersionAnswer {
    std::optional<std::uint32_t> sketchVersion;
    std::optional<std::uint32_t> textVersion;
};

// Reads the answer text (up to its first NUL) as two CR-ended lines.
// nullopt when the answer lacks either CR, which fails the query.
std::optional<VersionAnswer> ParseVersionAnswer(std::string_view answer);

// Reads a version number as the devices write it: leading white space, an optional sign,
// decimal digits. No digit gives 0, more than 32 bits gives 4294967295, "-" negates modulo
// 2^32. text is NUL-terminated.
std::uint32_t ReadVersionNumber(const char* text);

}  // namespace tavro::discovery
