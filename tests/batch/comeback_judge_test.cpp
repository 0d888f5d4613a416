// The come-back verdict over scripted rounds: only what the device itself showed makes it
// gone or back, and this computer's own failures never pass for the device's.

#include "batch/comeback_judge.h"

#include <gtest/gtest.h>

#include <vector>

#include "made_up_network.h"
#include "net/socket_error.h"

namespace tavro::batch {
namespace {

using discovery::VersionFate;
using discovery::VersionFinding;

constexpr const char* kAddress = "198.18.0.20";
constexpr std::uint8_t kOwnByte = 0x20;
constexpr std::uint8_t kOtherByte = 0x99;
const Mac kOwnMac{0x02, 0x00, 0x5E, 0x0A, 0x0B, kOwnByte};
const SeenBefore kWas105{.mac = kOwnMac, .sketchVersion = 105, .strictVersion = 105};

VersionFinding Strict(std::uint32_t version) {
    VersionFinding finding;
    finding.fate = VersionFate::Answered;
    finding.strictVersion = version;
    return finding;
}

VersionFinding Fate(VersionFate fate, int localError = 0) {
    VersionFinding finding;
    finding.fate = fate;
    finding.localError = localError;
    return finding;
}

// A probe reply from `address` whose version query found `finding`; the row reads the answer
// leniently, as the device list does.
discovery::Sighting Reply(const char* address, std::uint8_t lastMacByte, VersionFinding finding) {
    discovery::Sighting sighting;
    sighting.row = test::MadeUpDevice(address, lastMacByte, finding.strictVersion.value_or(100));
    sighting.version = finding;
    sighting.listed = true;
    return sighting;
}

Observation Seen(VersionFinding finding) {
    return Observation::Seen(Reply(kAddress, kOwnByte, finding));
}

ComebackVerdict Judge(const SeenBefore& before, const std::vector<Observation>& rounds) {
    ComebackJudge judge(before);
    for (const Observation& round : rounds) judge.Observe(round);
    return judge.AtDeadline();
}

TEST(ComebackJudgeTest, ARealResetIsBackWithTheVersionItNowReads) {
    ComebackJudge judge(kWas105);
    judge.Observe(Observation::Absent());
    judge.Observe(Observation::Absent());
    EXPECT_FALSE(judge.Concluded());
    judge.Observe(Seen(Strict(105)));  // the same firmware written again
    ASSERT_TRUE(judge.Concluded());
    EXPECT_EQ(judge.Concluded()->state, Comeback::Back);
    EXPECT_EQ(judge.Concluded()->version, 105u);
    ASSERT_TRUE(judge.Concluded()->row);
    EXPECT_EQ(judge.Concluded()->row->macAddress, kOwnMac);

    // A round in which this computer could not look neither counts nor breaks the pair.
    EXPECT_EQ(Judge(kWas105, {Observation::Absent(), Observation::Nothing(net::kErrorNoBuffers),
                              Observation::Absent(), Seen(Strict(120))})
                  .state,
              Comeback::Back);
}

TEST(ComebackJudgeTest, OneMissingReplyIsNotGone) {
    EXPECT_EQ(Judge(kWas105, {Seen(Strict(105)), Observation::Absent(), Seen(Strict(105))}).state,
              Comeback::NeverLeft);
    EXPECT_EQ(Judge(kWas105, {Observation::Absent(), Seen(Strict(105)), Observation::Absent(),
                              Seen(Strict(105))})
                  .state,
              Comeback::NeverLeft)
        << "two absences apart are no departure";
    // Missed by the probe but answering its address directly: still there.
    EXPECT_EQ(Judge(kWas105, {Observation::Answered(Strict(105)), Observation::Absent(),
                              Observation::Answered(Strict(105)), Seen(Strict(105))})
                  .state,
              Comeback::NeverLeft);
}

TEST(ComebackJudgeTest, AnAnswerThatDoesNotReadIsNoVersion) {
    // A device that never resets and answers its version query with garbage after its final
    // word: no new version, no departure.
    const VersionFinding garbage = Fate(VersionFate::Unreadable);
    EXPECT_EQ(Judge(kWas105, {Seen(garbage), Seen(garbage), Seen(garbage)}).state,
              Comeback::NeverLeft);
    // Nor is a version before the write that was only read leniently anything to compare.
    const SeenBefore lenient{.mac = kOwnMac, .sketchVersion = 0, .strictVersion = std::nullopt};
    EXPECT_EQ(Judge(lenient, {Seen(Strict(120)), Seen(Strict(120))}).state, Comeback::NeverLeft);
}

TEST(ComebackJudgeTest, ANewStrictVersionIsBackWithoutBeingSeenGone) {
    ComebackJudge judge(kWas105);
    judge.Observe(Seen(Strict(120)));
    ASSERT_TRUE(judge.Concluded());
    EXPECT_EQ(judge.Concluded()->state, Comeback::Back);
    EXPECT_EQ(judge.Concluded()->version, 120u);
}

TEST(ComebackJudgeTest, BackWithAnUnreadableVersionWaitsForOneThatReads) {
    // Back answering "SKETCH VER : ?": there, but with no version.
    ComebackJudge judge(kWas105);
    judge.Observe(Observation::Absent());
    judge.Observe(Observation::Absent());
    judge.Observe(Seen(Fate(VersionFate::Unreadable)));
    EXPECT_FALSE(judge.Concluded()) << "an unreadable version ended the wait";
    const ComebackVerdict unreadable = judge.AtDeadline();
    EXPECT_EQ(unreadable.state, Comeback::BackUnreadable);
    EXPECT_FALSE(unreadable.version);
    EXPECT_TRUE(unreadable.row);
    // Its probe reply without a version answer is the same.
    EXPECT_EQ(Judge(kWas105,
                    {Observation::Absent(), Observation::Absent(), Seen(Fate(VersionFate::Silent))})
                  .state,
              Comeback::BackUnreadable);

    judge.Observe(Seen(Strict(120)));
    ASSERT_TRUE(judge.Concluded());
    EXPECT_EQ(judge.Concluded()->version, 120u);
}

TEST(ComebackJudgeTest, OurOwnFailuresAreNeverTheDevicesVerdict) {
    const Observation noDescriptor = Observation::Nothing(net::kErrorTooManySockets);
    const ComebackVerdict blind = Judge(kWas105, {noDescriptor, noDescriptor, noDescriptor});
    EXPECT_EQ(blind.state, Comeback::WatchFailed);
    EXPECT_EQ(blind.localError, net::kErrorTooManySockets);
    // It may have gone and come back while we could not look.
    EXPECT_EQ(Judge(kWas105, {Seen(Strict(105)), noDescriptor, Seen(Strict(105))}).state,
              Comeback::WatchFailed);
    // Seen, but its version could not be asked: it might have shown the new one.
    EXPECT_EQ(
        Judge(kWas105, {Seen(Fate(VersionFate::LocalFailure, net::kErrorTooManySockets))}).state,
        Comeback::WatchFailed);
    // Gone, and then we could not look: not "not back".
    EXPECT_EQ(Judge(kWas105, {Observation::Absent(), Observation::Absent(), noDescriptor}).state,
              Comeback::WatchFailed);
    // Our failures before it was seen gone do not cloud a departure seen afterwards.
    EXPECT_EQ(Judge(kWas105, {noDescriptor, Observation::Absent(), Observation::Absent(),
                              Observation::Absent()})
                  .state,
              Comeback::NotBack);
}

TEST(ComebackJudgeTest, WithoutEvidenceNeitherNeverLeftNorBack) {
    EXPECT_EQ(Judge(kWas105, {}).state, Comeback::NotBack);
    EXPECT_EQ(Judge(kWas105, {Seen(Strict(105)), Observation::Absent()}).state, Comeback::NotBack)
        << "absent at the last look, yet said to be there";
    EXPECT_EQ(Judge(kWas105, {Observation::Absent(), Observation::Absent()}).state,
              Comeback::NotBack);
}

TEST(ComebackJudgeTest, TheFirstHardwareAddressSeenIsTheDevice) {
    ComebackJudge judge(SeenBefore{});
    EXPECT_FALSE(judge.identity());
    judge.Observe(Observation::Seen(Reply(kAddress, kOtherByte, Strict(105))));
    ASSERT_TRUE(judge.identity());
    EXPECT_EQ((*judge.identity())[5], kOtherByte);
}

// What one round's search and direct query show of one device.
class ObserveRoundTest : public ::testing::Test {
protected:
    Observation Observe(const std::vector<discovery::Sighting>& replies,
                        const std::optional<Mac>& identity = kOwnMac, int searchError = 0) {
        discovery::Sightings round;
        round.error = searchError;
        round.replies = replies;
        return ObserveRound(round, test::Ipv4(kAddress), identity, [this] {
            ++asked;
            return direct;
        });
    }

    VersionFinding direct = Fate(VersionFate::Silent);
    int asked = 0;
};

TEST_F(ObserveRoundTest, ADeviceTheSearchSawIsNotAskedAgain) {
    const Observation seen =
        Observe({Reply("198.18.0.21", 0x21, Strict(1)), Reply(kAddress, kOwnByte, Strict(120))});
    EXPECT_EQ(seen.kind, Observation::Kind::SeenInSearch);
    EXPECT_EQ(seen.version.strictVersion, 120u);
    EXPECT_EQ(Observe({Reply(kAddress, kOtherByte, Strict(120))}, std::nullopt).kind,
              Observation::Kind::SeenInSearch)
        << "with no hardware address known, anyone at the address is the device";
    EXPECT_EQ(asked, 0);
    // Replied twice: the answer that shows most of it counts.
    EXPECT_EQ(Observe({Reply(kAddress, kOwnByte, Fate(VersionFate::LocalFailure, 10055)),
                       Reply(kAddress, kOwnByte, Strict(120))})
                  .version.fate,
              VersionFate::Answered);
}

TEST_F(ObserveRoundTest, ADeviceTheSearchMissedIsAskedAtItsAddress) {
    // A longer address that starts with the device's is someone else.
    const std::vector<discovery::Sighting> elsewhere = {
        Reply("198.18.0.200", kOwnByte, Strict(120))};
    direct = Strict(105);
    EXPECT_EQ(Observe(elsewhere).kind, Observation::Kind::AnsweredDirectly);
    direct = Fate(VersionFate::Unreadable);
    EXPECT_EQ(Observe(elsewhere).kind, Observation::Kind::AnsweredDirectly);
    direct = Fate(VersionFate::Silent);
    EXPECT_EQ(Observe(elsewhere).kind, Observation::Kind::Absent);
    direct = Fate(VersionFate::LocalFailure, net::kErrorTooManySockets);
    const Observation nothing = Observe({});
    EXPECT_EQ(nothing.kind, Observation::Kind::SaidNothing);
    EXPECT_EQ(nothing.localError, net::kErrorTooManySockets);
    EXPECT_EQ(asked, 4);
}

TEST_F(ObserveRoundTest, SomeoneElseAtTheAddressIsNoEvidenceOfTheDevice) {
    direct = Strict(120);  // whoever holds the address would answer
    const std::vector<discovery::Sighting> other = {Reply(kAddress, kOtherByte, Strict(120))};
    EXPECT_EQ(Observe(other).kind, Observation::Kind::Absent);
    EXPECT_EQ(asked, 0) << "a direct answer there would be the other one's";
    ComebackJudge judge(kWas105);
    for (int round = 0; round < 4; ++round) judge.Observe(Observe(other));
    EXPECT_FALSE(judge.Concluded());
    EXPECT_EQ(judge.AtDeadline().state, Comeback::NotBack);
}

TEST_F(ObserveRoundTest, AFailedSearchSaysNothing) {
    const Observation nothing =
        Observe({Reply(kAddress, kOwnByte, Strict(120))}, kOwnMac, net::kErrorNoBuffers);
    EXPECT_EQ(nothing.kind, Observation::Kind::SaidNothing);
    EXPECT_EQ(nothing.localError, net::kErrorNoBuffers);
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace tavro::batch
