#include "discovery/version_number.h"

namespace tavro::discovery {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::uint32_t ReadVersionNumber(const char* text) {
    while (IsSpace(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    std::uint64_t value = 0;
    bool overflow = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<std::uint64_t>(*text - '0');
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value = 0xFFFFFFFFu;  // keeps the product in range while the digits run out
        }
    }
    // An overflow reads as the largest value whatever the sign, as strtoul does.
    if (overflow) {
        return 0xFFFFFFFFu;
    }
    const auto number = static_cast<std::uint32_t>(value);
    return negative ? 0u - number : number;
}

}  // namespace tavro::discovery
