// The writer's answer to a simulated device's challenge, as the simulator reads it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "hex_text.h"
#include "sim/invitation.h"

namespace {

using tavro::fuzz::Hex;
using tavro::fuzz::Require;
using tavro::sim::ParseAuthAnswer;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = tavro::fuzz::Bytes(data, size);

    // The form is strict: an answer taken is exactly the one its fields write.
    if (const auto answer = ParseAuthAnswer(bytes)) {
        Require("200 " + answer->cnonce + " " + answer->response + "\n" == bytes,
                "an answer taken is exactly its fields written the writer's way");
    }

    // Any answer the writer can send is taken as sent.
    if (size >= 32) {
        const std::string cnonce = Hex(bytes.substr(0, 16));
        const std::string response = Hex(bytes.substr(16, 16));
        const auto taken = ParseAuthAnswer("200 " + cnonce + " " + response + "\n");
        Require(taken && taken->cnonce == cnonce && taken->response == response,
                "an answer is taken as sent");
    }
    return 0;
}
