#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "discovery/search_outcome.h"
#include "net/ipv4_address.h"

namespace tavro::cli {

// Waits for written devices to come back from their reset, by searching on the interface
// they were written from. Every device waiting at a time shares the same searches: one search
// at a time, the next one an interval after the last one started, so a batch of devices adds
// no probes to the network.
class ComebackWatch {
public:
    using Clock = std::chrono::steady_clock;
    using Search =
        std::function<discovery::SearchOutcome(discovery::DeviceTable&, net::Ipv4Address)>;
    using Mac = std::array<std::uint8_t, 6>;

    ComebackWatch(Search search, net::Ipv4Address localAddress, std::chrono::milliseconds interval)
        : search_(std::move(search)), localAddress_(localAddress), interval_(interval) {}

    // The device's row once a search that started at least an interval after `written` (or at
    // the deadline, when that comes sooner) lists the address, with that hardware address when
    // one is given. nullopt when no search that started by the deadline listed it: a search
    // under way at the deadline is waited for, so the wait ends at most one search bound late.
    std::optional<discovery::DeviceRecord> WaitFor(net::Ipv4Address address,
                                                   const std::optional<Mac>& mac,
                                                   Clock::time_point written,
                                                   Clock::time_point deadline);

private:
    std::optional<discovery::DeviceRecord> Listed(net::Ipv4Address address,
                                                  const std::optional<Mac>& mac) const;
    // Runs one search with the lock let go meanwhile.
    void SearchNow(std::unique_lock<std::mutex>& lock);

    Search search_;
    net::Ipv4Address localAddress_;
    std::chrono::milliseconds interval_;

    std::mutex mutex_;
    std::condition_variable searched_;
    bool searching_ = false;
    std::optional<Clock::time_point> lastStart_;   // of the search under way or the last one
    std::optional<Clock::time_point> listedFrom_;  // when the search behind `listed_` started
    std::vector<discovery::DeviceRecord> listed_;
};

}  // namespace tavro::cli
