#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavro::discovery {

// The sketch version of a whole version answer, read only when it cannot be mistaken: the
// first line is "SKETCH VER : " or "SKETCH VER " and then 1 to 10 decimal digits of at most
// 4294967295, ended by CR LF, and a second CR-ended line follows. No sign, no spaces, no other
// byte. Any other answer has no readable version (nullopt), however the device list shows it.
std::optional<std::uint32_t> ReadStrictSketchVersion(std::string_view answer);

}  // namespace tavro::discovery
