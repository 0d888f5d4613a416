#pragma once

#include <string>
#include <string_view>

namespace tavro::cli {

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

}  // namespace tavro::cli
