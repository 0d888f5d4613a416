// The strict reading of a version answer, which decides whether a device's version is known.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "discovery/strict_version.h"
#include "discovery/version_answer.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received = tavro::fuzz::Bytes(data, size);
    const auto strict = tavro::discovery::ReadStrictSketchVersion(received);
    if (!strict) return 0;

    // A version known strictly is the one the device list shows, of a device it lists.
    const auto lenient = tavro::discovery::ParseVersionAnswer(received);
    tavro::fuzz::Require(lenient.has_value(), "a strict answer is one the device list lists");
    tavro::fuzz::Require(lenient->sketchVersion == strict,
                         "the strict version is the version the device list shows");

    // Its first line is a prefix and digits, nothing else.
    const std::string_view line = received.substr(0, received.find('\r'));
    const std::string_view digits = line.substr(line.find_last_not_of("0123456789") + 1);
    tavro::fuzz::Require(!digits.empty() && digits.size() <= 10, "one to ten digits");
    const std::string_view prefix = line.substr(0, line.size() - digits.size());
    tavro::fuzz::Require(prefix == "SKETCH VER : " || prefix == "SKETCH VER ",
                         "the digits follow one of the two prefixes at once");
    return 0;
}
