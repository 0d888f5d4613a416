#pragma once

#include <cstdint>

namespace tavro::discovery {

// Reads a version number as the devices write it: leading white space, an optional sign,
// decimal digits. No digit gives 0, more than 32 bits gives 4294967295, "-" negates modulo
// 2^32. text is NUL-terminated.
std::uint32_t ReadVersionNumber(const char* text);

}  // namespace tavro::discovery
