#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "batch/comeback_judge.h"
#include "batch/device_outcome.h"
#include "batch/seen_before.h"
#include "discovery/sightings.h"
#include "net/ipv4_address.h"

namespace tavro::batch {

// Waits for written devices to come back from their reset, by searching on the interface
// they were written from and asking directly those a search did not see; a ComebackJudge per
// device weighs what each round showed. Every device waiting at a time shares the same
// searches: one search at a time, the next an interval after the last one started, and the
// last one of a wait ending at its deadline, so a batch adds no probes to the network.
class ComebackWatch {
public:
    using Clock = std::chrono::steady_clock;
    using Search = std::function<discovery::Sightings(net::Ipv4Address localAddress)>;
    using Query = std::function<discovery::VersionFinding(net::Ipv4Address localAddress,
                                                          net::Ipv4Address device)>;
    using Before = SeenBefore;

    ComebackWatch(Search search, Query query, net::Ipv4Address localAddress,
                  std::chrono::milliseconds interval)
        : search_(std::move(search)),
          query_(std::move(query)),
          localAddress_(localAddress),
          interval_(interval) {}

    // The device's verdict from the rounds begun after `written` and by the deadline: as soon
    // as it is back, else once a round ends at or past the deadline. Safe to call from many
    // threads at once.
    ComebackVerdict WaitFor(net::Ipv4Address address, const Before& before,
                            Clock::time_point written, Clock::time_point deadline);

private:
    // A search takes about its quiet second when the devices answer at once, half the usual
    // interval: the last one of a wait starts that long before the deadline, to end there.
    Clock::time_point LastSearchStart(Clock::time_point deadline) const {
        return deadline - interval_ / 2;
    }
    // When the next search is due for a wait that ends at `deadline`.
    Clock::time_point NextSearchDue(Clock::time_point written, Clock::time_point deadline) const;
    // Runs one search with the lock let go meanwhile.
    void SearchNow(std::unique_lock<std::mutex>& lock);
    discovery::Sightings SearchOnce() const;
    discovery::VersionFinding AskDirectly(net::Ipv4Address device) const;

    Search search_;
    Query query_;
    net::Ipv4Address localAddress_;
    std::chrono::milliseconds interval_;

    std::mutex mutex_;
    std::condition_variable searched_;
    bool searching_ = false;
    std::uint64_t searches_ = 0;                  // searches ended so far
    std::optional<Clock::time_point> lastStart_;  // of the search under way or the last one
    Clock::time_point lastEnd_;                   // of the last search that ended
    std::shared_ptr<const discovery::Sightings> lastRound_;  // what the last search saw
};

}  // namespace tavro::batch
