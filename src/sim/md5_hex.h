#pragma once

#include <string>
#include <string_view>

namespace tavro::sim {

// The MD5 of the bytes as 32 lower-case hexadecimal characters. The simulator computes its
// digests on its own, so that it checks the writer's digests rather than repeating them.
std::string Md5Hex(std::string_view bytes);

}  // namespace tavro::sim
