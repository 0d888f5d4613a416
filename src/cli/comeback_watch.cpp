#include "cli/comeback_watch.h"

#include <algorithm>
#include <memory>

namespace tavro::cli {

std::optional<discovery::DeviceRecord> ComebackWatch::WaitFor(net::Ipv4Address address,
                                                              const std::optional<Mac>& mac,
                                                              Clock::time_point written,
                                                              Clock::time_point deadline) {
    // A search any earlier could still find the device before its reset; a deadline that
    // comes sooner still gets its one search.
    const Clock::time_point firstCounted = std::min(written + interval_, deadline);
    std::unique_lock lock(mutex_);
    while (true) {
        if (listedFrom_ && *listedFrom_ >= firstCounted) {
            if (auto row = Listed(address, mac)) return row;
        }
        if (searching_) {
            // Begun within the wait, it counts however late it ends (its own bound holds).
            if (*lastStart_ > deadline) return std::nullopt;
            searched_.wait(lock);
            continue;
        }
        // A search that began before this device's first counted moment is no search for it:
        // it may have the next one as soon as that moment comes.
        const Clock::time_point due =
            lastStart_ && *lastStart_ >= firstCounted ? *lastStart_ + interval_ : firstCounted;
        if (due > deadline) return std::nullopt;
        if (Clock::now() >= due) {
            SearchNow(lock);
            continue;
        }
        searched_.wait_until(lock, due);
    }
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
    listedFrom_ = started;
    searching_ = false;
    searched_.notify_all();
}

}  // namespace tavro::cli
