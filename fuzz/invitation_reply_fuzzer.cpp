// A device's reply to the upload invitation, and its verdict on the password proof.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "upload/device_replies.h"

namespace {

using tavro::fuzz::Require;
using tavro::upload::InvitationAnswer;

bool Inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram = tavro::fuzz::Bytes(data, size);
    const auto reply = tavro::upload::JudgeInvitationReply(datagram);

    // The device writes a C string: its text ends at the first NUL and views the datagram.
    Require(reply.text == datagram.substr(0, datagram.find('\0')),
            "the reply's text is the datagram up to its first NUL");
    Require(Inside(reply.text, datagram), "the reply's text views the datagram");
    Require(Inside(reply.nonce, reply.text), "the nonce views the reply's text");
    Require(reply.nonce.size() <= 32, "a nonce is at most 32 characters");
    Require(reply.nonce.empty() || reply.answer == InvitationAnswer::Challenged,
            "only a challenge carries a nonce");
    Require(reply.answer != InvitationAnswer::Accepted || reply.text.starts_with("OK"),
            "only an OK accepts");
    Require(reply.answer != InvitationAnswer::Challenged || reply.text.starts_with("AUTH"),
            "only an AUTH challenges");

    Require(!tavro::upload::VerdictAccepts(datagram) || datagram.starts_with("OK"),
            "only an OK verdict accepts the proof");
    return 0;
}
