#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace tavro::cli {

// JSON whose fields keep the order they were put in, as a reader of the output expects them.
using Json = nlohmann::ordered_json;

// JSON as the command line prints it: on one line, in ASCII alone (every other character as a
// \u escape, so neither a terminal nor a reader is ever handed a raw control, separator or
// bidi character), bytes that are not UTF-8 as U+FFFD.
std::string JsonText(const Json& value);

}  // namespace tavro::cli
