#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavro {

// Runs one rtnetlink dump (RTM_GETLINK, RTM_GETADDR, ...) with the given family header on a
// socket made on the calling thread, so it answers for that thread's network namespace.
// Returns the answer messages, each whole with its nlmsghdr; nullopt (and why) when the dump
// could not be run to its end.
std::optional<std::vector<std::vector<unsigned char>>> DumpRoute(
    std::uint16_t type, std::span<const unsigned char> familyHeader, std::string& why);

}  // namespace tavro
