// The answer a device gives to the version query, as it arrives on the TCP connection.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "discovery/version_answer.h"
#include "fuzz_check.h"

namespace {

using tavro::fuzz::Require;

bool Holds(std::string_view line, std::string_view prefix) {
    return line.find(prefix) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received = tavro::fuzz::Bytes(data, size);
    const auto answer = tavro::discovery::ParseVersionAnswer(received);

    // The device writes a C string: nothing after the first NUL counts.
    const std::string_view text = received.substr(0, received.find('\0'));
    const auto carriageReturns = std::count(text.begin(), text.end(), '\r');
    Require(answer.has_value() == (carriageReturns >= 2),
            "an answer is read exactly when it holds two CR-ended lines");
    if (!answer) return 0;

    // A number comes only from a line that names it.
    const std::size_t firstCr = text.find('\r');
    const std::size_t secondCr = text.find('\r', firstCr + 1);
    const std::string_view lineOne = text.substr(0, firstCr);
    const std::string_view lineTwo = text.substr(firstCr + 1, secondCr - firstCr - 1);
    Require(!answer->sketchVersion || Holds(lineOne, "SKETCH VER"),
            "a sketch version comes from a first line that names it");
    Require(!answer->textVersion || Holds(lineTwo, "TEXT VER"),
            "a text version comes from a second line that names it");
    return 0;
}
