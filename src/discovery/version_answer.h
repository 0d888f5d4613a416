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

}  // namespace tavro::discovery
