// What a stop signal prints, and that nothing of the job follows it.

#include "cli/job_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tavro::cli {
namespace {

using ::testing::IsEmpty;
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

// What keeps the job's record beside the terminal (the log) hears of the stop once, with its
// notice, also while a write that nobody reads holds the job; and not when the job concluded.
TEST(JobStateTest, TheInterruptHookHearsTheNoticeEvenWhileAWriteIsStuck) {
    JobState job;
    std::vector<std::string> heard;
    job.OnInterrupt([&heard](std::string_view notice) { heard.emplace_back(notice); });
    job.BeginWrite("fw.bin", "198.18.0.10");
    job.SetPercent(42);
    const std::optional<std::string> notice = job.Interrupt(kWait);
    EXPECT_THAT(heard, ::testing::ElementsAre(notice.value_or("none")));

    // A stream whose every write waits until the test lets it go.
    struct StuckBuffer : std::streambuf {
        std::promise<void> entered;
        std::shared_future<void> released;
        int overflow(int c) override {
            if (!inside) entered.set_value();
            inside = true;
            released.wait();
            return c;
        }
        bool inside = false;
    };
    std::promise<void> release;
    StuckBuffer buffer;
    buffer.released = release.get_future().share();
    std::future<void> entered = buffer.entered.get_future();
    std::ostream stuck(&buffer);
    JobState held;
    heard.clear();
    held.OnInterrupt([&heard](std::string_view notice) { heard.emplace_back(notice); });
    std::thread writer([&held, &stuck] { held.Show(stuck, "trace line\n"); });
    entered.wait();
    EXPECT_THAT(held.Interrupt(kWait), Optional(std::string("\ntavro-writer-cli: interrupted\n")));
    release.set_value();
    writer.join();
    EXPECT_THAT(heard, ::testing::ElementsAre("\ntavro-writer-cli: interrupted\n"));

    JobState concluded;
    heard.clear();
    concluded.OnInterrupt([&heard](std::string_view notice) { heard.emplace_back(notice); });
    std::ostringstream out;
    EXPECT_TRUE(concluded.Conclude(out, "ok\n"));
    EXPECT_EQ(concluded.Interrupt(kWait), std::nullopt);
    EXPECT_THAT(heard, IsEmpty());
}

}  // namespace
}  // namespace tavro::cli
