#include "discovery/strict_version.h"

#include <array>

namespace tavro::discovery {

namespace {

constexpr std::size_t kMostDigits = 10;
constexpr std::array<std::string_view, 2> kPrefixes = {"SKETCH VER : ", "SKETCH VER "};

std::optional<std::uint32_t> ReadDigits(std::string_view digits) {
    if (digits.empty() || digits.size() > kMostDigits) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// The second line must end with a CR of its own, or the device list would not list the
// device, and a version read from half an answer is no evidence.
bool HasSecondLine(std::string_view rest) {
    const std::size_t cr = rest.find('\r');
    return cr != std::string_view::npos && rest.substr(0, cr).find('\0') == std::string_view::npos;
}

}  // namespace

std::optional<std::uint32_t> ReadStrictSketchVersion(std::string_view answer) {
    const std::size_t end = answer.find("\r\n");
    if (end == std::string_view::npos || !HasSecondLine(answer.substr(end + 2))) {
        return std::nullopt;
    }
    const std::string_view line = answer.substr(0, end);
    for (const std::string_view prefix : kPrefixes) {
        if (line.starts_with(prefix)) {
            return ReadDigits(line.substr(prefix.size()));
        }
    }
    return std::nullopt;
}

}  // namespace tavro::discovery
