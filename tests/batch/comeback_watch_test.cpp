// The shared wait for devices coming back from their reset: one search at a time, each
// device given its own chance before its deadline, whatever the others' timing, and asked
// directly when a search missed it.

#include "batch/comeback_watch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "made_up_network.h"
#include "net/socket_error.h"

namespace tavro::batch {
namespace {

using Clock = ComebackWatch::Clock;
using discovery::VersionFate;
using std::chrono::milliseconds;

constexpr milliseconds kInterval{100};
constexpr milliseconds kSearchTime{60};

Mac MacEndingIn(std::uint8_t last) { return {0x02, 0x00, 0x5E, 0x0A, 0x0B, last}; }

// Seen before the write with a version older than the made-up devices have.
SeenBefore WasOlder(std::optional<Mac> mac = std::nullopt) {
    return {.mac = mac, .sketchVersion = 105, .strictVersion = 105};
}

net::Ipv4Address Address(const std::string& text) {
    return *net::Ipv4Address::ParseDottedQuad(text);
}

// A probe reply whose version query read `version` strictly.
discovery::Sighting Answering(const char* address, std::uint8_t lastMacByte,
                              std::uint32_t version) {
    discovery::Sighting sighting;
    sighting.row = test::MadeUpDevice(address, lastMacByte, version);
    sighting.version.fate = VersionFate::Answered;
    sighting.version.strictVersion = version;
    sighting.listed = true;
    return sighting;
}

discovery::VersionFinding Finding(VersionFate fate, int localError = 0) {
    discovery::VersionFinding finding;
    finding.fate = fate;
    finding.localError = localError;
    return finding;
}

// A search that takes a while and sees whatever `seen` holds when it starts; a direct query
// that finds `direct`.
struct SlowSearch {
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> count{0};
    std::vector<discovery::Sighting> seen;
    discovery::VersionFinding direct = Finding(VersionFate::Silent);
    std::mutex mutex;
    std::vector<std::string> asked;

    ComebackWatch::Search Bind() {
        return [this](net::Ipv4Address) {
            const int now = ++running;
            for (int most = mostAtOnce;
                 now > most && !mostAtOnce.compare_exchange_weak(most, now);) {
            }
            ++count;
            discovery::Sightings round;
            round.replies = seen;
            std::this_thread::sleep_for(kSearchTime);
            --running;
            return round;
        };
    }
    ComebackWatch::Query Ask() {
        return [this](net::Ipv4Address local, net::Ipv4Address device) {
            std::lock_guard lock(mutex);
            asked.push_back(local.ToString() + " " + device.ToString());
            return direct;
        };
    }
};

TEST(ComebackWatchTest, DevicesWrittenApartEachGetASearchWithinTheirOwnWait) {
    SlowSearch search;
    search.seen = {Answering("198.18.0.20", 0x20, 120), Answering("198.18.0.21", 0x21, 121)};
    ComebackWatch watch(search.Bind(), search.Ask(), Address("198.18.0.1"), kInterval);
    // The second is written just after the first: the first one's search starts too early to
    // count for it, and the next one must not wait a whole interval, past its deadline.
    const Clock::time_point first = Clock::now();
    const Clock::time_point second = first + kInterval / 5;
    auto a = std::async(std::launch::async, [&] {
        return watch.WaitFor(Address("198.18.0.20"), WasOlder(), first, first + kInterval * 3 / 2);
    });
    auto b = std::async(std::launch::async, [&] {
        std::this_thread::sleep_until(second);
        return watch.WaitFor(Address("198.18.0.21"), WasOlder(), second,
                             second + kInterval * 3 / 2);
    });
    const ComebackVerdict backA = a.get();
    const ComebackVerdict backB = b.get();
    EXPECT_EQ(backA.state, Comeback::Back);
    EXPECT_EQ(backB.state, Comeback::Back);
    EXPECT_EQ(backB.version, 121u);
    EXPECT_EQ(search.mostAtOnce.load(), 1) << "searches overlapped";
}

TEST(ComebackWatchTest, ManyWaitersShareTheSearches) {
    SlowSearch search;
    for (int i = 0; i < 8; ++i) {
        const std::string address = "198.18.0." + std::to_string(20 + i);
        search.seen.push_back(Answering(address.c_str(), static_cast<std::uint8_t>(i), 120));
    }
    ComebackWatch watch(search.Bind(), search.Ask(), Address("198.18.0.1"), kInterval);
    const Clock::time_point written = Clock::now();
    std::vector<std::future<Comeback>> waits;
    for (int i = 0; i < 8; ++i) {
        waits.push_back(std::async(std::launch::async, [&, i] {
            return watch
                .WaitFor(Address("198.18.0." + std::to_string(20 + i)),
                         WasOlder(MacEndingIn(static_cast<std::uint8_t>(i))), written,
                         written + std::chrono::seconds(5))
                .state;
        }));
    }
    for (auto& wait : waits) EXPECT_EQ(wait.get(), Comeback::Back);
    EXPECT_EQ(search.count.load(), 1) << "each waiter searched on its own";
    EXPECT_TRUE(search.asked.empty()) << "a device the search saw was asked again";
}

TEST(ComebackWatchTest, ADeviceNeverSeenOrSeenWithAnotherHardwareAddressIsNotBack) {
    SlowSearch search;
    search.seen = {Answering("198.18.0.20", 0x99, 120)};
    ComebackWatch watch(search.Bind(), search.Ask(), Address("198.18.0.1"), kInterval);
    const Clock::time_point written = Clock::now();
    const Clock::time_point deadline = written + kInterval * 3;
    EXPECT_EQ(watch.WaitFor(Address("198.18.0.21"), {}, written, deadline).state,
              Comeback::NotBack);
    EXPECT_EQ(
        watch.WaitFor(Address("198.18.0.20"), WasOlder(MacEndingIn(0x20)), written, deadline).state,
        Comeback::NotBack);
    // At most one search bound late, with room for a slow machine.
    EXPECT_LT(Clock::now() - deadline, std::chrono::seconds(5));
    EXPECT_GE(search.count.load(), 2) << "a search every interval until the deadline";
    std::lock_guard lock(search.mutex);
    ASSERT_FALSE(search.asked.empty()) << "the device the search missed was not asked";
    for (const std::string& asked : search.asked) EXPECT_EQ(asked, "198.18.0.1 198.18.0.21");
}

// Seen with the version it had, a device that never went away has not come back; one seen
// gone and then back has.
TEST(ComebackWatchTest, OnlyADeviceSeenGoneOrChangedHasComeBack) {
    SlowSearch search;
    search.seen = {Answering("198.18.0.20", 0x20, 120)};
    ComebackWatch watch(search.Bind(), search.Ask(), Address("198.18.0.1"), kInterval);
    const SeenBefore same{.mac = std::nullopt, .sketchVersion = 120, .strictVersion = 120};
    Clock::time_point written = Clock::now();
    EXPECT_EQ(watch.WaitFor(Address("198.18.0.20"), same, written, written + kInterval * 3).state,
              Comeback::NeverLeft);

    // Gone for the first two searches, then back with the version it had.
    std::atomic<int> searches{0};
    Clock::time_point lastEnd;
    ComebackWatch later(
        [&](net::Ipv4Address) {
            std::this_thread::sleep_for(kSearchTime);
            discovery::Sightings round;
            if (++searches > 2) round.replies = search.seen;
            lastEnd = Clock::now();
            return round;
        },
        search.Ask(), Address("198.18.0.1"), kInterval);
    written = Clock::now();
    const ComebackVerdict back =
        later.WaitFor(Address("198.18.0.20"), same, written, written + kInterval * 6);
    EXPECT_EQ(back.state, Comeback::Back);
    EXPECT_EQ(back.version, 120u);

    // Never seen: the searches go on until one ends at the deadline, not before it.
    written = Clock::now();
    const Clock::time_point deadline = written + kInterval * 39 / 10;
    EXPECT_EQ(later.WaitFor(Address("198.18.0.21"), same, written, deadline).state,
              Comeback::NotBack);
    EXPECT_GE(lastEnd, deadline);
}

TEST(ComebackWatchTest, AWatchThatCannotLookKnowsNothing) {
    SlowSearch search;
    search.direct = Finding(VersionFate::LocalFailure, net::kErrorTooManySockets);
    ComebackWatch starved(search.Bind(), search.Ask(), Address("198.18.0.1"), kInterval);
    Clock::time_point written = Clock::now();
    const ComebackVerdict verdict =
        starved.WaitFor(Address("198.18.0.20"), WasOlder(), written, written + kInterval * 3);
    EXPECT_EQ(verdict.state, Comeback::WatchFailed);
    EXPECT_EQ(verdict.localError, net::kErrorTooManySockets);

    // Handed no search and no query at all.
    ComebackWatch unwired({}, {}, Address("198.18.0.1"), kInterval);
    written = Clock::now();
    EXPECT_EQ(
        unwired.WaitFor(Address("198.18.0.20"), WasOlder(), written, written + kInterval).state,
        Comeback::WatchFailed);
}

TEST(ComebackWatchTest, ADirectQueryThatEndsPastTheDeadlineEndsTheWait) {
    SlowSearch search;
    ComebackWatch watch(
        search.Bind(),
        [](net::Ipv4Address, net::Ipv4Address) {
            std::this_thread::sleep_for(kInterval * 2);
            return discovery::VersionFinding();
        },
        Address("198.18.0.1"), kInterval);
    const Clock::time_point written = Clock::now();
    watch.WaitFor(Address("198.18.0.20"), WasOlder(), written, written + kInterval);
    EXPECT_EQ(search.count.load(), 1) << "a probe sent after the wait was over";
}

}  // namespace
}  // namespace tavro::batch
