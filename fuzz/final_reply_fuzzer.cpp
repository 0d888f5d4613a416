// The device's last word after the last block, judged as its bytes arrive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "upload/final_reply.h"

namespace {

using tavro::fuzz::Require;
using tavro::upload::FinalReply;
using tavro::upload::JudgeFinalReply;

// The judgement on the bytes so far, with the device still open or closed since.
void CheckJudgement(std::string_view received, bool peerClosed) {
    const FinalReply reply = JudgeFinalReply(received, peerClosed);
    Require(reply != FinalReply::Ok || received == "OK" || (received.empty() && peerClosed),
            "only OK, or a close before any byte, ends the upload well");
    Require(reply != FinalReply::NeedMore || !peerClosed,
            "nothing more is awaited from a device that closed");
    Require(reply != FinalReply::NeedMore || std::string_view("OK").starts_with(received),
            "only a beginning of OK is worth waiting for");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received = tavro::fuzz::Bytes(data, size);
    // As the bytes arrive one by one: a refusal stays a refusal whatever follows, so extra
    // bytes never turn a wrong word into success.
    bool refused = false;
    for (std::size_t length = 0; length <= received.size(); ++length) {
        const std::string_view sofar = received.substr(0, length);
        CheckJudgement(sofar, false);
        CheckJudgement(sofar, true);
        const bool nowRefused = JudgeFinalReply(sofar, false) == FinalReply::Refused;
        Require(!refused || nowRefused, "more bytes never mend a refused final word");
        refused = nowRefused;
    }
    return 0;
}
