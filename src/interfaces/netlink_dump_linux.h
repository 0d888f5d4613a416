#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavro::interfaces {

// Runs one rtnetlink dump (RTM_GETLINK, RTM_GETADDR, ...) with the given family header on a
// socket made on the calling thread, so it answers for that thread's network namespace.
// Returns the answer messages, each whole with its nlmsghdr; nullopt (and why) when the dump
// could not be run to its end.
std::optional<std::vector<std::vector<unsigned char>>> DumpRoute(
    std::uint16_t type, std::span<const unsigned char> familyHeader, std::string& why);

// The same with the family header as its struct (ifinfomsg, ifaddrmsg, ...).
template <typename FamilyHeader>
std::optional<std::vector<std::vector<unsigned char>>> DumpRoute(std::uint16_t type,
                                                                 const FamilyHeader& familyHeader,
                                                                 std::string& why) {
    return DumpRoute(
        type, std::span(reinterpret_cast<const unsigned char*>(&familyHeader), sizeof familyHeader),
        why);
}

}  // namespace tavro::interfaces
