// What a stop signal prints, and that nothing of the job follows it.

#include "cli/job_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

namespace tavro::cli {
namespace {

using ::testing::Optional;

constexpr std::chrono::milliseconds kWait{100};

// The notice with the elapsed seconds (digits, a point, one digit) taken out as "<s>"; read by
// hand, since GoogleTest's regular expressions differ between platforms.
std::string WithoutSeconds(std::string notice) {
    const std::size_t start = notice.find_first_of("0123456789");
    if (start == std::string::npos) return notice;
    const std::size_t point = notice.find_first_not_of("0123456789", start);
    if (point == std::string::npos || notice[point] != '.' || point + 1 >= notice.size() ||
        notice[point + 1] < '0' || notice[point + 1] > '9') {
        return notice;
    }
    return notice.replace(start, point + 2 - start, "<s>");
}

TEST(JobStateTest, WriteNoticeSaysHowFarTheTransferGot) {
    JobState job;
    job.BeginWrite("fw.bin", "198.18.0.10");
    EXPECT_THAT(job.Interrupt(kWait),
                Optional(std::string("tavro-writer-cli: interrupted before the transfer of fw.bin "
                                     "to 198.18.0.10 started\n")));

    JobState half;
    half.BeginWrite("fw.bin", "198.18.0.10");
    half.SetPercent(42);
    EXPECT_THAT(
        half.Interrupt(kWait),
        Optional(std::string(
            "tavro-writer-cli: interrupted after 42% of fw.bin was sent to 198.18.0.10\n")));

    JobState whole;
    whole.BeginWrite("fw.bin", "198.18.0.10");
    whole.SetPercent(100);
    EXPECT_THAT(whole.Interrupt(kWait),
                Optional(std::string("tavro-writer-cli: interrupted after all of fw.bin was sent "
                                     "to 198.18.0.10, before the device confirmed it\n")));
}

TEST(JobStateTest, NoticeEndsAnOpenProgressLineFirst) {
    JobState job;
    std::ostringstream err;
    job.BeginWrite("fw.bin", "198.18.0.10");
    job.SetPercent(7);
    job.Show(err, "\r[###      ] 7%");
    EXPECT_THAT(
        job.Interrupt(kWait),
        Optional(std::string(
            "\ntavro-writer-cli: interrupted after 7% of fw.bin was sent to 198.18.0.10\n")));

    JobState traced;
    traced.Show(err, "recv: ok\r\n");
    EXPECT_THAT(traced.Interrupt(kWait), Optional(std::string("tavro-writer-cli: interrupted\n")));
}

TEST(JobStateTest, AnOutcomeAlreadyPrintedStands) {
    JobState job;
    std::ostringstream out;
    job.BeginWrite("fw.bin", "198.18.0.10");
    EXPECT_TRUE(job.Conclude(out, "正常終了\n"));
    EXPECT_EQ(job.Interrupt(kWait), std::nullopt);

    JobState finished;
    finished.Finish();
    EXPECT_EQ(finished.Interrupt(kWait), std::nullopt);
}

TEST(JobStateTest, SearchNoticeNamesTheSearch) {
    JobState job;
    job.BeginSearch("198.18.0.1");
    const std::optional<std::string> notice = job.Interrupt(kWait);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(WithoutSeconds(*notice),
              "tavro-writer-cli: interrupted <s> s into the search from 198.18.0.1, before any "
              "device was listed\n");
}

}  // namespace
}  // namespace tavro::cli
