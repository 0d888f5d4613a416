// What write --json claims of one device from what the batch found: "ok" and "verified" only
// with the evidence for them, every other verdict its own cause code and status.

#include "cli/console/device_record.h"

#include <gtest/gtest.h>

#include <set>

#include "cli/device_status.h"
#include "net/socket_error.h"

namespace tavro::cli {
namespace {

using namespace std::chrono_literals;
using batch::Comeback;

batch::WriteTarget Target() {
    return {.address = net::Ipv4Address::FromOctets(198, 18, 0, 10),
            .before = {.mac = batch::Mac{2, 0, 0x5e, 0, 0, 0x0a},
                       .sketchVersion = 105,
                       .strictVersion = 105},
            .conflict = {}};
}

batch::ComebackVerdict Verdict(Comeback state, int localError = 0) {
    return {.state = state, .row = std::nullopt, .version = std::nullopt, .localError = localError};
}

// A device that took the image, with --verify, and what the watch found of its return.
batch::DeviceOutcome Written(batch::ComebackVerdict verdict) {
    batch::DeviceOutcome outcome;
    outcome.upload.result = upload::kUploadSucceeded;
    outcome.verifyAsked = true;
    outcome.comeback = verdict;
    return outcome;
}

Json RecordOf(const batch::DeviceOutcome& outcome,
              texts::Language language = texts::Language::English) {
    return DeviceRecord(outcome, Target(), language, 60s);
}

TEST(DeviceRecordTest, OnlyAReturnWithAVersionIsVerified) {
    const Json back = RecordOf(
        Written({.state = Comeback::Back, .row = std::nullopt, .version = 120, .localError = 0}));
    EXPECT_EQ(back["outcome"], "ok");
    EXPECT_EQ(back["status"], 0);
    EXPECT_EQ(back["verified"], true);
    EXPECT_EQ(back["version"], "1.20");
    EXPECT_EQ(back["causeCode"], "");
    EXPECT_EQ(back["mac"], "02:00:5e:00:00:0a");
}

TEST(DeviceRecordTest, EveryOtherVerdictIsNeitherOkNorVerifiedAndHasItsOwnCause) {
    struct Case {
        batch::ComebackVerdict verdict;
        const char* outcome;
        const char* causeCode;
    };
    const Case cases[] = {
        {Verdict(Comeback::NotBack), "not-back", "not-back"},
        {Verdict(Comeback::NeverLeft), "not-back", "never-left"},
        {Verdict(Comeback::BackUnreadable), "unverified", "version-unreadable"},
        {Verdict(Comeback::WatchFailed, net::kErrorTooManySockets), "unverified", "too-many-files"},
        {Verdict(Comeback::WatchFailed, 10050), "unverified", "local-error"},
    };
    std::set<std::string> causes;
    for (const Case& c : cases) {
        const Json record = RecordOf(Written(c.verdict));
        EXPECT_EQ(record["outcome"], c.outcome) << c.causeCode;
        EXPECT_EQ(record["causeCode"], c.causeCode);
        EXPECT_EQ(record["status"], 5) << c.causeCode;
        EXPECT_EQ(record["verified"], false) << c.causeCode;
        EXPECT_EQ(record["version"], "") << c.causeCode;
        const std::string cause = record["cause"];
        EXPECT_NE(cause, "") << c.causeCode;
        causes.insert(cause);
        for (texts::Language language : {texts::Language::English, texts::Language::Japanese}) {
            EXPECT_EQ(DeviceStatus(Written(c.verdict)), 5);
            EXPECT_NE(RecordOf(Written(c.verdict), language)["cause"], "");
        }
    }
    EXPECT_EQ(causes.size(), std::size(cases)) << "two verdicts read the same";
}

TEST(DeviceRecordTest, AConflictIsNotWrittenAndNamesEveryHardwareAddress) {
    batch::DeviceOutcome outcome;
    outcome.verifyAsked = true;
    outcome.conflict = {batch::Mac{2, 0, 0x5e, 0, 0, 0x0a}, batch::Mac{2, 0, 0x5e, 0, 0, 0x0b}};
    batch::WriteTarget target = Target();
    target.before = {};
    target.conflict = outcome.conflict;
    const Json record = DeviceRecord(outcome, target, texts::Language::English, 60s);
    EXPECT_EQ(record["outcome"], "address-conflict");
    EXPECT_EQ(record["causeCode"], "address-conflict");
    EXPECT_EQ(record["status"], 1);
    EXPECT_EQ(record["verified"], false);
    EXPECT_TRUE(record["mac"].is_null());
    const std::string cause = record["cause"];
    EXPECT_NE(cause.find("02:00:5e:00:00:0a"), std::string::npos) << cause;
    EXPECT_NE(cause.find("02:00:5e:00:00:0b"), std::string::npos) << cause;
}

TEST(DeviceRecordTest, AFailedUploadKeepsItsOwnCauseWhateverTheWatchSays) {
    batch::DeviceOutcome outcome = Written(Verdict(Comeback::NotBack));
    outcome.upload.result = 10060;
    outcome.upload.cause = upload::UploadCause::NoConnectBack;
    const Json record = RecordOf(outcome);
    EXPECT_EQ(record["outcome"], "network-error");
    EXPECT_EQ(record["causeCode"], "no-connect-back");
    EXPECT_EQ(record["status"], 4);
}

}  // namespace
}  // namespace tavro::cli
