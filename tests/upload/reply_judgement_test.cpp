// What the device's words mean, judged without any socket: the invitation reply, the verdict
// on the password proof and the final word after the image.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "upload/device_replies.h"
#include "upload/final_reply.h"

namespace tavro::upload {
namespace {

using namespace std::string_view_literals;

TEST(JudgeInvitationReply, OkAuthOrRefusalByTheFirstBytes) {
    EXPECT_EQ(JudgeInvitationReply("OK").answer, InvitationAnswer::Accepted);
    EXPECT_EQ(JudgeInvitationReply("OK, go ahead").answer, InvitationAnswer::Accepted);
    EXPECT_EQ(JudgeInvitationReply("AUTH").answer, InvitationAnswer::Challenged);
    for (std::string_view refusal : {""sv, "O"sv, "ok"sv, "NG"sv, "AUT"sv, " OK"sv, "\0OK"sv}) {
        SCOPED_TRACE(std::string(refusal));
        EXPECT_EQ(JudgeInvitationReply(refusal).answer, InvitationAnswer::Refused);
    }
}

TEST(JudgeInvitationReply, TextEndsAtTheFirstNul) {
    const InvitationReply reply = JudgeInvitationReply("NG\0tail"sv);
    EXPECT_EQ(reply.answer, InvitationAnswer::Refused);
    EXPECT_EQ(reply.text, "NG");
    EXPECT_EQ(JudgeInvitationReply("AUTH 12\0"
                                   "34"sv)
                  .nonce,
              "12");
}

TEST(JudgeInvitationReply, NonceFollowsAnySeparatorAndKeepsAtMost32Bytes) {
    const std::string nonce(32, 'a');
    EXPECT_EQ(JudgeInvitationReply("AUTH " + nonce).nonce, nonce);
    EXPECT_EQ(JudgeInvitationReply("AUTH:" + nonce + "bb").nonce, nonce);
    EXPECT_EQ(JudgeInvitationReply("AUTH").nonce, "");
    EXPECT_EQ(JudgeInvitationReply("AUTH ").nonce, "");
    EXPECT_EQ(JudgeInvitationReply("AUTHx1").nonce, "1");
}

TEST(VerdictAccepts, OnlyAVerdictBeginningWithOk) {
    EXPECT_TRUE(VerdictAccepts("OK"));
    EXPECT_TRUE(VerdictAccepts("OK\0"sv));
    EXPECT_FALSE(VerdictAccepts(""));
    EXPECT_FALSE(VerdictAccepts("O"));
    EXPECT_FALSE(VerdictAccepts("NG"));
    EXPECT_FALSE(VerdictAccepts("\0OK"sv));
}

TEST(JudgeFinalReply, OkOrAnOrderlyCloseBeforeAnyByteSucceed) {
    EXPECT_EQ(JudgeFinalReply("OK", false), FinalReply::Ok);
    EXPECT_EQ(JudgeFinalReply("OK", true), FinalReply::Ok);
    EXPECT_EQ(JudgeFinalReply("", true), FinalReply::Ok);
}

TEST(JudgeFinalReply, WaitsOnlyForTheRestOfAnOk) {
    EXPECT_EQ(JudgeFinalReply("", false), FinalReply::NeedMore);
    EXPECT_EQ(JudgeFinalReply("O", false), FinalReply::NeedMore);
    EXPECT_EQ(JudgeFinalReply("O", true), FinalReply::Refused);
}

TEST(JudgeFinalReply, AnythingElseIsRefused) {
    for (std::string_view reply : {"NG"sv, "K"sv, "ok"sv, "OKK"sv, "10"sv, "\0\0"sv, "O\0"sv}) {
        SCOPED_TRACE(std::string(reply));
        EXPECT_EQ(JudgeFinalReply(reply, false), FinalReply::Refused);
        EXPECT_EQ(JudgeFinalReply(reply, true), FinalReply::Refused);
    }
}

}  // namespace
}  // namespace tavro::upload
