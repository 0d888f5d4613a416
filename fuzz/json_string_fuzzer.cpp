// Text from a peer (device answers, interface names, causes) written into the CLI's JSON.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/console/json_text.h"
#include "fuzz_check.h"
#include "utf8_validity.h"

using tavro::fuzz::IsValidUtf8;
using tavro::fuzz::Require;

// Whatever the bytes, the JSON is printable ASCII that reads back; valid UTF-8 reads back as
// itself.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(tavro::fuzz::Bytes(data, size));
    const std::string json = tavro::cli::JsonText(tavro::cli::Json(text));
    for (const char c : json) Require(c >= 0x20 && c < 0x7F, "only printable ASCII");
    const auto read = nlohmann::json::parse(json, nullptr, false);
    Require(read.is_string(), "reads back as a string");
    if (IsValidUtf8(text)) Require(read.get<std::string>() == text, "valid UTF-8 round-trips");
    return 0;
}
