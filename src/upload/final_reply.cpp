#include "upload/final_reply.h"

namespace tavro::upload {
namespace {

constexpr std::string_view kOk = "OK";

}  // namespace

FinalReply JudgeFinalReply(std::string_view received, bool peerClosed) {
    if (received == kOk) return FinalReply::Ok;
    if (received.empty() && peerClosed) return FinalReply::Ok;
    // Only a beginning of "OK" is worth waiting for, and only while the device may still send.
    if (!peerClosed && kOk.starts_with(received)) return FinalReply::NeedMore;
    return FinalReply::Refused;
}

}  // namespace tavro::upload
