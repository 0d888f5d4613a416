#include "interfaces/interface_line.h"

#include <arpa/inet.h>

#include <cstring>
#include <string_view>

namespace tavro::interfaces {

std::string InterfaceLine(const LocalInterface& record) {
    char address[INET_ADDRSTRLEN] = {};
    in_addr value{};
    value.s_addr = record.address;
    ::inet_ntop(AF_INET, &value, address, sizeof address);
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
