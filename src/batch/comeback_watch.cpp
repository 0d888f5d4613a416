#include "batch/comeback_watch.h"

#include <algorithm>
#include <memory>

namespace tavro::batch {

std::optional<discovery::DeviceRecord> ComebackWatch::WaitFor(net::Ipv4Address address,
                                                              const Before& before,
                                                              Clock::time_point written,
                                                              Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    std::uint64_t judged = searches_;  // searches before this wait tell nothing of the reset
    bool wentAway = false;
    while (true) {
        if (searches_ != judged) {
            judged = searches_;
            const Clock::time_point started = *lastStart_;
            if (started >= written && started <= deadline) {
                const auto row = Listed(address, before.mac);
                const bool otherVersion =
                    row && before.sketchVersion && row->sketchVersion != *before.sketchVersion;
                if (row && (wentAway || otherVersion)) return row;
                wentAway = wentAway || !row;
            }
            // The last search of the wait is the one that ends at its deadline.
            if (started > deadline ||
                (started >= written &&
                 (started >= LastSearchStart(deadline) || lastEnd_ >= deadline))) {
                return std::nullopt;
            }
        }
        if (searching_) {
            searched_.wait(lock);
            continue;
        }
        const Clock::time_point due = NextSearchDue(written, deadline);
        if (Clock::now() >= due) {
            SearchNow(lock);
        } else {
            searched_.wait_until(lock, due);
        }
    }
}

ComebackWatch::Clock::time_point ComebackWatch::NextSearchDue(Clock::time_point written,
                                                              Clock::time_point deadline) const {
    if (!lastStart_ || *lastStart_ < written) return written;
    // An interval after the last one, but the last of the wait starts early enough to end at
    // its deadline; never before the last one ended.
    Clock::time_point due = *lastStart_ + interval_;
    if (const Clock::time_point last = LastSearchStart(deadline); *lastStart_ < last) {
        due = std::min(due, last);
    }
    return std::max(due, lastEnd_);
}

std::optional<discovery::DeviceRecord> ComebackWatch::Listed(net::Ipv4Address address,
                                                             const std::optional<Mac>& mac) const {
    for (const discovery::DeviceRecord& row : listed_) {
        // Only the address's own text names it, as the search writes it.
        if (address.ToString() == row.addressText && (!mac || *mac == row.macAddress)) return row;
    }
    return std::nullopt;
}

void ComebackWatch::SearchNow(std::unique_lock<std::mutex>& lock) {
    searching_ = true;
    const Clock::time_point started = Clock::now();
    lastStart_ = started;
    lock.unlock();
    auto table = std::make_unique<discovery::DeviceTable>();
    const discovery::SearchOutcome outcome = search_(*table, localAddress_);
    const int count = std::clamp(outcome.count, 0, discovery::DeviceTable::kCapacity);
    lock.lock();
    listed_.assign(table->rows.begin(), table->rows.begin() + count);
    lastEnd_ = Clock::now();
    ++searches_;
    searching_ = false;
    searched_.notify_all();
}

}  // namespace tavro::batch
