#include "upload/device_replies.h"

namespace tavro::upload {
namespace {

// The nonce starts after "AUTH" and one separator byte, whatever that byte is.
constexpr std::size_t kNonceOffset = 5;
constexpr std::size_t kNonceMaxLength = 32;

}  // namespace

InvitationReply JudgeInvitationReply(std::string_view datagram) {
    InvitationReply reply;
    reply.text = datagram.substr(0, datagram.find('\0'));
    if (reply.text.starts_with("OK")) {
        reply.answer = InvitationAnswer::Accepted;
    } else if (reply.text.starts_with("AUTH")) {
        reply.answer = InvitationAnswer::Challenged;
        if (reply.text.size() > kNonceOffset) {
            reply.nonce = reply.text.substr(kNonceOffset, kNonceMaxLength);
        }
    }
    return reply;
}

bool VerdictAccepts(std::string_view verdict) { return verdict.starts_with("OK"); }

}  // namespace tavro::upload
