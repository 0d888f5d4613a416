#pragma once

#include <cstddef>
#include <string_view>

namespace tavro::upload {

// The largest invitation reply a device sends: "AUTH", a separator and a 32-character nonce.
inline constexpr std::size_t kInvitationReplyWindow = 37;
// The largest verdict on the password proof.
inline constexpr std::size_t kVerdictWindow = 32;

enum class InvitationAnswer {
    Accepted,    // "OK...": the device takes the image at once
    Challenged,  // "AUTH...": the device wants the password proof first
    Refused,     // anything else
};

// What a device's reply to the invitation says. `text` is the reply up to its first NUL (the
// device writes a C string), `nonce` the challenge's nonce; both view into the datagram.
struct InvitationReply {
    InvitationAnswer answer = InvitationAnswer::Refused;
    std::string_view text;
    std::string_view nonce;
};

// Judges one received datagram; pure, so any bytes at all can be fed to it.
InvitationReply JudgeInvitationReply(std::string_view datagram);

// True when the verdict on the password proof accepts it ("OK..."); pure.
bool VerdictAccepts(std::string_view verdict);

}  // namespace tavro::upload
