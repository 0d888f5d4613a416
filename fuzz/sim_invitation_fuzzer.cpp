// The invitation a writer sends to a simulated device, as the simulator reads it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "hex_text.h"
#include "sim/invitation.h"

namespace {

using tavro::fuzz::Hex;
using tavro::fuzz::Require;
using tavro::sim::Invitation;
using tavro::sim::ParseInvitation;

std::string Written(const Invitation& invitation) {
    return "0 " + std::to_string(invitation.port) + " " + std::to_string(invitation.length) + " " +
           invitation.md5Hex + "\n";
}

bool Same(const Invitation& a, const Invitation& b) {
    return a.port == b.port && a.length == b.length && a.md5Hex == b.md5Hex;
}

// Whatever text is taken holds nothing but the invitation's characters, and says the same
// once written back the writer's way.
void CheckReading(std::string_view text) {
    const auto invitation = ParseInvitation(text);
    if (!invitation) return;
    Require(text.find_first_not_of("0123456789abcdef \n") == std::string_view::npos,
            "an invitation taken holds only digits, hex, spaces and its LF");
    Require(invitation->port != 0, "an invitation taken names a port");
    const auto again = ParseInvitation(Written(*invitation));
    Require(again && Same(*again, *invitation), "an invitation taken reads the same rewritten");
}

// Any invitation the writer can send is taken as sent.
void CheckWriting(std::string_view bytes) {
    if (bytes.size() < 2 + 8 + 16) return;
    Invitation sent;
    std::memcpy(&sent.port, bytes.data(), 2);
    std::memcpy(&sent.length, bytes.data() + 2, 8);
    sent.md5Hex = Hex(bytes.substr(10, 16));
    const auto taken = ParseInvitation(Written(sent));
    Require(taken.has_value() == (sent.port != 0), "every invitation to a port is taken");
    Require(!taken || Same(*taken, sent), "an invitation is taken as sent");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = tavro::fuzz::Bytes(data, size);
    CheckReading(bytes);
    CheckWriting(bytes);
    return 0;
}
