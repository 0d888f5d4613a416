#include "discovery/version_answer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace tavro::discovery {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A line is held in 31 characters and a NUL; its prefixes are searched in that much only.
using LineArea = std::array<char, 32>;

LineArea HoldLine(std::string_view line) {
    LineArea area{};
    const std::size_t length = std::min(line.size(), area.size() - 1);
    std::memcpy(area.data(), line.data(), length);
    return area;
}

// The number is read at the prefix's length from the start of the line, wherever the prefix
// was found: the devices put it first.
std::optional<std::uint32_t> ReadLine(const LineArea& line, const char* longPrefix,
                                      const char* shortPrefix) {
    for (const char* prefix : {longPrefix, shortPrefix}) {
        if (std::strstr(line.data(), prefix) != nullptr) {
            return ReadVersionNumber(line.data() + std::strlen(prefix));
        }
    }
    return std::nullopt;
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

std::optional<VersionAnswer> ParseVersionAnswer(std::string_view answer) {
    answer = answer.substr(0, answer.find('\0'));
    const std::size_t firstCr = answer.find('\r');
    if (firstCr == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t secondCr = answer.find('\r', firstCr + 1);
    if (secondCr == std::string_view::npos) {
        return std::nullopt;
    }
    // Line 2 starts past the byte after the first CR (normally its LF). Two CRs in a row
    // leave it empty rather than of negative length.
    const std::size_t lineTwoStart = std::min(firstCr + 2, secondCr);
    const LineArea lineOne = HoldLine(answer.substr(0, firstCr));
    const LineArea lineTwo = HoldLine(answer.substr(lineTwoStart, secondCr - lineTwoStart));

    VersionAnswer result;
    result.sketchVersion = ReadLine(lineOne, "SKETCH VER : ", "SKETCH VER");
    result.textVersion = ReadLine(lineTwo, "TEXT VER : ", "TEXT VER");
    return result;
}

}  // namespace tavro::discovery
