#include "interfaces/interface_line.h"

#include <cstring>
#include <string_view>

namespace tavro::interfaces {

std::string InterfaceLine(const LocalInterface& record) {
    // The field is NUL-terminated by construction; bound the read all the same.
    const std::string_view name(record.friendlyName,
                                ::strnlen(record.friendlyName, sizeof record.friendlyName));
    std::string line(record.address.ToString());
    line += " (";
    line += name;
    line += ')';
    return line;
}

}  // namespace tavro::interfaces
