// The shared wait for devices coming back from their reset: one search at a time, each
// device given its own chance before its deadline, whatever the others' timing.

#include "batch/comeback_watch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "made_up_network.h"

namespace tavro::batch {
namespace {

using Clock = ComebackWatch::Clock;
using std::chrono::milliseconds;

constexpr milliseconds kInterval{100};
constexpr milliseconds kSearchTime{60};
// Listed before the write with a version older than the made-up devices have.
const ComebackWatch::Before kWasOlder{.mac = std::nullopt, .sketchVersion = 105};

net::Ipv4Address Address(const std::string& text) {
    return *net::Ipv4Address::ParseDottedQuad(text);
}

// A search that takes a while and lists whatever `listed` holds when it starts.
struct SlowSearch {
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> count{0};
    std::vector<discovery::DeviceRecord> listed;

    ComebackWatch::Search Bind() {
        return [this](discovery::DeviceTable& table, net::Ipv4Address) {
            const int now = ++running;
            for (int seen = mostAtOnce;
                 now > seen && !mostAtOnce.compare_exchange_weak(seen, now);) {
            }
            ++count;
            for (std::size_t i = 0; i < listed.size(); ++i) table.rows[i] = listed[i];
            std::this_thread::sleep_for(kSearchTime);
            --running;
            return discovery::SearchOutcome(static_cast<int>(listed.size()));
        };
    }
};

TEST(ComebackWatchTest, DevicesWrittenApartEachGetASearchWithinTheirOwnWait) {
    SlowSearch search;
    search.listed = {test::MadeUpDevice("198.18.0.20", 0x20, 120),
                     test::MadeUpDevice("198.18.0.21", 0x21, 121)};
    ComebackWatch watch(search.Bind(), Address("198.18.0.1"), kInterval);
    // The second is written just after the first: the first one's search starts too early to
    // count for it, and the next one must not wait a whole interval, past its deadline.
    const Clock::time_point first = Clock::now();
    const Clock::time_point second = first + kInterval / 5;
    auto a = std::async(std::launch::async, [&] {
        return watch.WaitFor(Address("198.18.0.20"), kWasOlder, first, first + kInterval * 3 / 2);
    });
    auto b = std::async(std::launch::async, [&] {
        std::this_thread::sleep_until(second);
        return watch.WaitFor(Address("198.18.0.21"), kWasOlder, second, second + kInterval * 3 / 2);
    });
    const auto backA = a.get();
    const auto backB = b.get();
    ASSERT_TRUE(backA.has_value());
    ASSERT_TRUE(backB.has_value());
    EXPECT_EQ(backB->sketchVersion, 121u);
    EXPECT_EQ(search.mostAtOnce.load(), 1) << "searches overlapped";
}

TEST(ComebackWatchTest, ManyWaitersShareTheSearches) {
    SlowSearch search;
    for (int i = 0; i < 8; ++i) {
        const std::string address = "198.18.0." + std::to_string(20 + i);
        search.listed.push_back(
            test::MadeUpDevice(address.c_str(), static_cast<std::uint8_t>(i), 120));
    }
    ComebackWatch watch(search.Bind(), Address("198.18.0.1"), kInterval);
    const Clock::time_point written = Clock::now();
    std::vector<std::future<bool>> waits;
    for (int i = 0; i < 8; ++i) {
        waits.push_back(std::async(std::launch::async, [&, i] {
            return watch
                .WaitFor(Address("198.18.0." + std::to_string(20 + i)),
                         {.mac = ComebackWatch::Mac{0x02, 0x00, 0x5E, 0x0A, 0x0B,
                                                    static_cast<std::uint8_t>(i)},
                          .sketchVersion = 105},
                         written, written + std::chrono::seconds(5))
                .has_value();
        }));
    }
    for (auto& wait : waits) EXPECT_TRUE(wait.get());
    EXPECT_EQ(search.count.load(), 1) << "each waiter searched on its own";
}

TEST(ComebackWatchTest, ADeviceNeverListedOrListedWithAnotherHardwareAddressIsNotBack) {
    SlowSearch search;
    search.listed = {test::MadeUpDevice("198.18.0.20", 0x99, 120)};
    ComebackWatch watch(search.Bind(), Address("198.18.0.1"), kInterval);
    const Clock::time_point written = Clock::now();
    const Clock::time_point deadline = written + kInterval * 3;
    EXPECT_FALSE(watch.WaitFor(Address("198.18.0.21"), {}, written, deadline));
    EXPECT_FALSE(watch.WaitFor(Address("198.18.0.20"),
                               {.mac = ComebackWatch::Mac{0x02, 0x00, 0x5E, 0x0A, 0x0B, 0x20},
                                .sketchVersion = std::nullopt},
                               written, deadline));
    // At most one search bound late, with room for a slow machine.
    EXPECT_LT(Clock::now() - deadline, std::chrono::seconds(5));
    EXPECT_GE(search.count.load(), 2) << "a search every interval until the deadline";
}

// Listed with the version it had, a device that never went away has not come back; one seen
// gone and then listed again has.
TEST(ComebackWatchTest, OnlyADeviceSeenGoneOrChangedHasComeBack) {
    SlowSearch search;
    search.listed = {test::MadeUpDevice("198.18.0.20", 0x20, 120)};
    ComebackWatch watch(search.Bind(), Address("198.18.0.1"), kInterval);
    const ComebackWatch::Before same{.mac = std::nullopt, .sketchVersion = 120};
    Clock::time_point written = Clock::now();
    EXPECT_FALSE(watch.WaitFor(Address("198.18.0.20"), same, written, written + kInterval * 3));
    EXPECT_FALSE(watch.WaitFor(Address("198.18.0.20"), {}, Clock::now(), Clock::now() + kInterval));

    // Gone for the first search, then back with the version it had.
    std::atomic<int> searches{0};
    Clock::time_point lastEnd;
    ComebackWatch later(
        [&](discovery::DeviceTable& table, net::Ipv4Address) {
            std::this_thread::sleep_for(kSearchTime);
            table.rows[0] = search.listed[0];
            lastEnd = Clock::now();
            return discovery::SearchOutcome(++searches == 1 ? 0 : 1);
        },
        Address("198.18.0.1"), kInterval);
    written = Clock::now();
    EXPECT_TRUE(later.WaitFor(Address("198.18.0.20"), same, written, written + kInterval * 4));

    // Never listed: the searches go on until one ends at the deadline, not before it.
    searches = 1;
    written = Clock::now();
    const Clock::time_point deadline = written + kInterval * 39 / 10;
    EXPECT_FALSE(later.WaitFor(Address("198.18.0.21"), same, written, deadline));
    EXPECT_GE(lastEnd, deadline);
}

}  // namespace
}  // namespace tavro::batch
