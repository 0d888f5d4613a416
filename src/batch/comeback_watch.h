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

namespace tavro::batch {

// Waits for written devices to come back from their reset, by searching on the interface
// they were written from. A device counts as back only once it has shown that it went away:
// a search after its final word did not list it, or listed it with another version than it
// had before; a later listing is then its return. Every device waiting at a time shares the
// same searches: one search at a time, the next an interval after the last one started, and
// the last one of a wait ending at its deadline, so a batch adds no probes to the network.
class ComebackWatch {
public:
    using Clock = std::chrono::steady_clock;
    using Search =
        std::function<discovery::SearchOutcome(discovery::DeviceTable&, net::Ipv4Address)>;
    using Mac = std::array<std::uint8_t, 6>;

    // What a search before the write knew of the device, when one listed it.
    struct Before {
        std::optional<Mac> mac;
        std::optional<std::uint32_t> sketchVersion;
    };

    ComebackWatch(Search search, net::Ipv4Address localAddress, std::chrono::milliseconds interval)
        : search_(std::move(search)), localAddress_(localAddress), interval_(interval) {}

    // The device's row from the first search, begun after `written` and by the deadline, that
    // lists it back (with its hardware address, when one is known) after it went away. nullopt
    // when no such search came before a search ending at or past the deadline.
    std::optional<discovery::DeviceRecord> WaitFor(net::Ipv4Address address, const Before& before,
                                                   Clock::time_point written,
                                                   Clock::time_point deadline);

private:
    std::optional<discovery::DeviceRecord> Listed(net::Ipv4Address address,
                                                  const std::optional<Mac>& mac) const;
    // A search takes about its quiet second when the devices answer at once, half the usual
    // interval: the last one of a wait starts that long before the deadline, to end there.
    Clock::time_point LastSearchStart(Clock::time_point deadline) const {
        return deadline - interval_ / 2;
    }
    // When the next search is due for a wait that ends at `deadline`.
    Clock::time_point NextSearchDue(Clock::time_point written, Clock::time_point deadline) const;
    // Runs one search with the lock let go meanwhile.
    void SearchNow(std::unique_lock<std::mutex>& lock);

    Search search_;
    net::Ipv4Address localAddress_;
    std::chrono::milliseconds interval_;

    std::mutex mutex_;
    std::condition_variable searched_;
    bool searching_ = false;
    std::uint64_t searches_ = 0;                   // searches ended so far
    std::optional<Clock::time_point> lastStart_;   // of the search under way or the last one
    Clock::time_point lastEnd_;                    // of the last search that ended
    std::vector<discovery::DeviceRecord> listed_;  // by the last search that ended
};

}  // namespace tavro::batch
