// A version number inside a device's version answer, read the way the devices write them.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "discovery/version_answer.h"
#include "fuzz_check.h"

namespace {

using tavro::fuzz::Require;

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The C library's reading, narrowed to 32 bits: a magnitude beyond them reads as the largest
// value whatever the sign, anything else wraps as unsigned arithmetic does.
std::uint32_t ReferenceReading(const std::string& text) {
    errno = 0;
    const unsigned long wide = std::strtoul(text.c_str(), nullptr, 10);
    const bool outOfRange = errno == ERANGE;
    std::size_t first = 0;
    while (first < text.size() && IsCSpace(text[first])) ++first;
    const bool negative = first < text.size() && text[first] == '-';
    const unsigned long magnitude = negative ? 0ul - wide : wide;
    if (outOfRange || magnitude > 0xFFFFFFFFul) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(wide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(tavro::fuzz::Bytes(data, size));  // NUL-terminated, as in the answer
    Require(tavro::discovery::ReadVersionNumber(text.c_str()) == ReferenceReading(text),
            "a version number reads as strtoul reads it, narrowed to 32 bits");
    return 0;
}
