#include "interfaces/interface_line.h"

#include <array>
#include <cstring>
#include <string_view>

namespace tavro::interfaces {

std::string InterfaceLine(const LocalInterface& record) {
    // Network byte order: the first byte in memory is the first number of the dotted quad.
    std::array<unsigned char, 4> bytes{};
    std::memcpy(bytes.data(), &record.address, bytes.size());
    std::string address;
    for (const unsigned char byte : bytes) {
        if (!address.empty()) address += '.';
        address += std::to_string(byte);
    }
    // The field is NUL-terminated by construction; bound the read all the same.
    const std::string_view name(record.friendlyName,
                                ::strnlen(record.friendlyName, sizeof record.friendlyName));
    std::string line(address);
    line += " (";
    line += name;
    line += ')';
    return line;
}

}  // namespace tavro::interfaces
