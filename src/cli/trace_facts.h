#pragma once

#include <string>
#include <string_view>

namespace tavro::cli {

// What an upload's trace tells beyond its result code: the port the device was asked to
// connect back to, and how a refusal came about. The trace's lines are the upload's fixed
// texts, read as they pass by; only the start of a long line is kept. A device's answer is
// traced too and may hold line breaks of its own, so only the first port line counts, and a
// "Bad Answer" outweighs everything else.
class TraceFacts {
public:
    void Feed(std::string_view text);

    int localPort() const { return localPort_; }
    // Ten invitations went unanswered.
    bool invitationUnanswered() const { return invitationUnanswered_; }
    // The device answered the invitation, or ended the transfer, with something else than "OK".
    bool badAnswer() const { return badAnswer_; }

private:
    void ReadLine(std::string_view line);

    std::string line_;
    int localPort_ = 0;
    bool invitationUnanswered_ = false;
    bool badAnswer_ = false;
};

}  // namespace tavro::cli
