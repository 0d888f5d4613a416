// The upload's trace, which carries a device's own bytes ("Bad Answer: ..."), read for the
// write report as it passes by in pieces.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cli/trace_facts.h"
#include "fuzz_check.h"

namespace {

using tavro::cli::TraceFacts;
using tavro::fuzz::Require;

TraceFacts FeedInPieces(std::string_view trace, std::size_t piece) {
    TraceFacts facts;
    for (std::size_t at = 0; at < trace.size(); at += piece) facts.Feed(trace.substr(at, piece));
    return facts;
}

bool Same(const TraceFacts& a, const TraceFacts& b) {
    return a.localPort() == b.localPort() && a.invitationUnanswered() == b.invitationUnanswered() &&
           a.badAnswer() == b.badAnswer();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 16;
    const std::string_view trace = tavro::fuzz::Bytes(data + 1, size - 1);

    const TraceFacts whole = FeedInPieces(trace, trace.size() + 1);
    Require(Same(whole, FeedInPieces(trace, 1)), "byte by byte reads as the whole");
    Require(Same(whole, FeedInPieces(trace, piece)), "any pieces read as the whole");
    Require(whole.localPort() >= 0, "a port is never negative");
    return 0;
}
