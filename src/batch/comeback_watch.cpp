#include "batch/comeback_watch.h"

#include <algorithm>

#include "net/socket_error.h"

namespace tavro::batch {

ComebackVerdict ComebackWatch::WaitFor(net::Ipv4Address address, const Before& before,
                                       Clock::time_point written, Clock::time_point deadline) {
    ComebackJudge judge(before);
    std::unique_lock lock(mutex_);
    std::uint64_t judged = searches_;  // searches before this wait tell nothing of the reset
    while (true) {
        if (searches_ != judged) {
            judged = searches_;
            const Clock::time_point started = *lastStart_;
            const Clock::time_point ended = lastEnd_;
            if (started >= written && started <= deadline) {
                const std::shared_ptr<const discovery::Sightings> round = lastRound_;
                // The direct query takes its own bound: the other waiters go on meanwhile.
                lock.unlock();
                judge.Observe(ObserveRound(*round, address, judge.identity(),
                                           [&] { return AskDirectly(address); }));
                lock.lock();
                if (judge.Concluded()) return *judge.Concluded();
                // A query that ran past the deadline made this round the last.
                if (Clock::now() >= deadline) return judge.AtDeadline();
            }
            // The last search of the wait is the one that ends at its deadline.
            if (started > deadline ||
                (started >= written &&
                 (started >= LastSearchStart(deadline) || ended >= deadline))) {
                return judge.AtDeadline();
            }
            continue;  // another search may have ended during the query
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

void ComebackWatch::SearchNow(std::unique_lock<std::mutex>& lock) {
    searching_ = true;
    lastStart_ = Clock::now();
    lock.unlock();
    auto round = std::make_shared<const discovery::Sightings>(SearchOnce());
    lock.lock();
    lastRound_ = std::move(round);
    lastEnd_ = Clock::now();
    ++searches_;
    searching_ = false;
    searched_.notify_all();
}

// A watch handed no way to search or ask has seen nothing, which is no evidence of a device.
discovery::Sightings ComebackWatch::SearchOnce() const {
    if (!search_) {
        discovery::Sightings none;
        none.error = net::kErrorNotSupported;
        return none;
    }
    return search_(localAddress_);
}

discovery::VersionFinding ComebackWatch::AskDirectly(net::Ipv4Address device) const {
    if (!query_) {
        discovery::VersionFinding none;
        none.fate = discovery::VersionFate::LocalFailure;
        none.localError = net::kErrorNotSupported;
        return none;
    }
    return query_(localAddress_, device);
}

}  // namespace tavro::batch
