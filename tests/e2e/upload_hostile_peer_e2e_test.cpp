// Uploads against devices and other hosts that misbehave, in a private test network: every
// upload the device did not take whole ends with a failure code within its bound, and every
// stranger is ignored while the real device still gets its image.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "upload_test.h"

namespace tavro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;
using Clock = std::chrono::steady_clock;

constexpr const char* kStranger = "198.18.0.20";
constexpr const char* kOtherStranger = "198.18.0.21";
constexpr const char* kAllDone = "全終了";
constexpr const char* kAllDoneLine = "全終了。\r\n";

std::string Device(const std::string& faults) { return std::string(kDevice) + "," + faults; }

// A failure never reads as the writer's success, and the device is left holding nothing.
class RefusedUploadTest : public UploadTest {
protected:
    void ExpectFailedWithin(upload::UploadResult result, upload::UploadResult expected,
                            double seconds, Clock::time_point start) {
        EXPECT_EQ(result, expected);
        EXPECT_LT(SecondsSince(start), seconds);
        EXPECT_THAT(sink_.log, Not(HasSubstr(kAllDone)));
    }
};

TEST_F(RefusedUploadTest, DeviceClosingRightAfterConnectingIsAResetNotAnAcknowledgement) {
    START_DEVICES({kDevice}, {Device("close-on-accept")});
    FirmwareFile file(2500);

    const auto start = Clock::now();
    ExpectFailedWithin(Upload(file.path(), ShortTimeouts()), 10054, 1.0 + 3.0, start);
    EXPECT_THAT(sink_.log, EndsWith("recv error.10054\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "closed-on-accept"), SizeIs(1));
    ExpectNothingStored();
}

TEST_F(RefusedUploadTest, DeviceShuttingDownItsSideIsAResetAfterTheFirstBlock) {
    START_DEVICES({kDevice}, {Device("shutdown-on-accept")});
    FirmwareFile file(100 * 1024);

    const auto start = Clock::now();
    ExpectFailedWithin(Upload(file.path(), ShortTimeouts()), 10054, 1.0 + 3.0, start);
    EXPECT_THAT(sink_.log, EndsWith("recv error.10054\r\n"));
    // The writer waits for each block's acknowledgement, so one block at most went out.
    ASSERT_TRUE(sim().WaitForEvent(kDevice, "received", std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events(kDevice, "received"),
                ElementsAre(::testing::AnyOf("0 (closed)", "1024 (closed)")));
    ExpectNothingStored();
}

TEST_F(RefusedUploadTest, FinalWordOtherThanOkIsABadAnswer) {
    START_DEVICES({kDevice}, {Device("final-word=NG")});
    FirmwareFile file(2500);

    const auto start = Clock::now();
    ExpectFailedWithin(Upload(file.path(), ShortTimeouts()), upload::kUploadRefused, 1.0 + 3.0,
                       start);
    EXPECT_THAT(sink_.log, HasSubstr("Bad Answer: NG\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "final-sent"), ElementsAre("\"NG\""));
}

// Extra bytes let a writer that counts any bytes as the acknowledgement run ahead of the
// device; what is left of them then stands where the final "OK" should be.
TEST_F(RefusedUploadTest, ExtraBytesAfterTheAcknowledgementsAreABadFinalAnswer) {
    START_DEVICES({kDevice}, {Device("extra-ack=ZZ")});
    FirmwareFile file(100 * 1024);

    const auto start = Clock::now();
    ExpectFailedWithin(Upload(file.path(), ShortTimeouts()), upload::kUploadRefused, 1.0 + 3.0,
                       start);
    EXPECT_THAT(sink_.log, HasSubstr("Bad Answer: "));
    // The extra bytes come before the device has stored what it verified, so the writer may
    // be done while the file is still being written: read it once it is whole.
    sim().WaitForEvent(kDevice, "image-stored", std::chrono::seconds(2));
    // Whatever the device kept is the file or nothing, never another image.
    const auto stored = sim().StoredImage(kDevice);
    if (stored) {
        EXPECT_TRUE(*stored == file.bytes());
    }
}

TEST_F(RefusedUploadTest, OnlyStrangersConnectingIsATimeOutAndNoStrangerGetsAByte) {
    START_DEVICES(
        {kDevice, kStranger, kOtherStranger},
        {Device(std::string("stranger-connect=") + kStranger + ",connect-from=" + kOtherStranger)});
    FirmwareFile file(2500);

    const auto start = Clock::now();
    ExpectFailedWithin(Upload(file.path(), ShortTimeouts()), 10060, 1.0 + 3.0, start);
    // Each stranger is named in the log.
    EXPECT_THAT(sink_.log, HasSubstr(kStranger));
    EXPECT_THAT(sink_.log, HasSubstr(kOtherStranger));
    ASSERT_TRUE(sim().WaitForEvent(kDevice, "stranger-received", std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events(kDevice, "stranger-received"), ElementsAre("0"));
    ASSERT_TRUE(sim().WaitForEvent(kDevice, "transfer-short", std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events(kDevice, "transfer-short"), ElementsAre("0 of 2500 (closed)"));
    ExpectNothingStored();
}

TEST_F(RefusedUploadTest, OnlyAStrangerAnsweringIsTenUnansweredInvitations) {
    START_DEVICES({kDevice, kStranger}, {Device(std::string("answer-from=") + kStranger)});
    FirmwareFile file(2500);

    const auto start = Clock::now();
    ExpectFailedWithin(Upload(file.path(), ShortTimeouts()), upload::kUploadRefused, 10 * 0.2 + 4.0,
                       start);
    EXPECT_EQ(Occurrences(sink_.log, "no-recv.\r\n"), 10);
    EXPECT_THAT(sink_.log, EndsWith("no-recv error.\r\n"));
    EXPECT_THAT(sink_.log, HasSubstr(kStranger));
    // The device took all ten invitations, and every answer went out from the stranger.
    ASSERT_TRUE(sim().WaitForEvents(kDevice, "invitation", 10, std::chrono::seconds(5)));
    const auto answers = sim().Events(kDevice, "udp-sent");
    EXPECT_THAT(answers, Not(IsEmpty()));
    for (const std::string& answer : answers) {
        EXPECT_THAT(answer, EndsWith(std::string("\"OK\" from ") + kStranger));
    }
    ExpectNothingStored();
}

// A device that acknowledges everything in advance and then reads nothing fills the
// connection: the send that no longer finds room ends at the acknowledgement bound.
TEST_F(RefusedUploadTest, DeviceThatStopsReadingEndsTheBoundedSendWithATimeOut) {
    START_DEVICES({kDevice}, {Device("ack-in-advance")});
    FirmwareFile file(8 * 1024 * 1024);

    const auto start = Clock::now();
    ExpectFailedWithin(Upload(file.path(), ShortTimeouts()), 10060, 1.0 + 9.0, start);
    EXPECT_THAT(sink_.log, EndsWith("send error.10060\r\n"));
    EXPECT_THAT(sim().Events(kDevice, "acks-in-advance"), ElementsAre("8192"));
    // The writer let go of the connection when it gave up.
    ASSERT_TRUE(sim().WaitForEvent(kDevice, "held-until", std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events(kDevice, "held-until"), ElementsAre("closed"));
    ExpectNothingStored();
}

TEST_F(UploadTest, FinalOkSplitOverTwoReadsSucceeds) {
    START_DEVICES({kDevice}, {Device("final-split-ms=300")});
    FirmwareFile file(2500);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadSucceeded);
    ExpectStored(file);
    ASSERT_TRUE(sim().WaitForEvents(kDevice, "final-sent", 2, std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events(kDevice, "final-sent"), ElementsAre("\"O\"", "\"K\""));
    EXPECT_THAT(sink_.log, EndsWith(kAllDoneLine));
}

TEST_F(UploadTest, OrderlyCloseAfterTheLastAcknowledgementSucceeds) {
    START_DEVICES({kDevice}, {Device("final-word=")});
    FirmwareFile file(2500);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadSucceeded);
    ExpectStored(file);
    EXPECT_THAT(sim().Events(kDevice, "final-sent"), ElementsAre("\"\""));
    EXPECT_THAT(sink_.log, EndsWith(kAllDoneLine));
}

TEST_F(UploadTest, StrangersOkBeforeTheDevicesAnswerIsIgnored) {
    START_DEVICES({kDevice, kStranger}, {Device(std::string("password=") + upload::kUploadPassword +
                                                ",stranger-answer=" + kStranger)});
    FirmwareFile file(5000);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadSucceeded);
    ExpectStored(file);
    EXPECT_THAT(sim().Events(kDevice, "stranger-sent"), SizeIs(1));
    // The stranger moved no try: one invitation, and the password proof went to the device.
    EXPECT_THAT(sim().Events(kDevice, "invitation"), SizeIs(1));
    const auto answers = sim().Events(kDevice, "auth-answer");
    ASSERT_THAT(answers, SizeIs(1));
    EXPECT_THAT(answers[0], EndsWith(" match"));
    EXPECT_THAT(sink_.log, HasSubstr(kStranger));
}

TEST_F(UploadTest, StrangersConnectionBeforeTheDevicesIsDroppedUnserved) {
    START_DEVICES({kDevice, kStranger}, {Device(std::string("stranger-connect=") + kStranger)});
    FirmwareFile file(5000);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadSucceeded);
    ExpectStored(file);
    ASSERT_TRUE(sim().WaitForEvent(kDevice, "stranger-received", std::chrono::seconds(5)));
    EXPECT_THAT(sim().Events(kDevice, "stranger-received"), ElementsAre("0"));
    EXPECT_THAT(sink_.log, HasSubstr(kStranger));
}

// The writer answers the port that answered it, when that is the device's own address.
TEST_F(UploadTest, DeviceAnsweringFromAnotherPortOfItsAddressSucceeds) {
    START_DEVICES({kDevice}, {Device(std::string("password=") + upload::kUploadPassword +
                                     ",answer-from=" + kDevice)});
    FirmwareFile file(2500);

    EXPECT_EQ(Upload(file.path(), ShortTimeouts()), upload::kUploadSucceeded);
    ExpectStored(file);
    const auto answers = sim().Events(kDevice, "auth-answer");
    ASSERT_THAT(answers, SizeIs(1));
    EXPECT_THAT(answers[0], EndsWith(" match"));
}

}  // namespace
}  // namespace tavro::test
