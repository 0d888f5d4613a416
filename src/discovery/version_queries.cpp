#include "discovery/version_queries.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "discovery/query_failure.h"
#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro::discovery {

namespace {

std::optional<net::Ipv4Address> AddressOf(const DeviceRecord& row) {
    return net::Ipv4Address::Parse(
        std::string_view(row.addressText, strnlen(row.addressText, sizeof row.addressText)));
}

// This computer ran out of descriptors or buffers: a shortage that ends when a query does.
bool IsShortage(const VersionFinding& finding) {
    return finding.fate == VersionFate::LocalFailure &&
           (finding.localError == net::kErrorTooManySockets ||
            finding.localError == net::kErrorNoBuffers);
}

}  // namespace

VersionQueries::VersionQueries(net::Ipv4Address localAddress, const DiscoveryOptions& options,
                               Overflow overflow, int places)
    : localAddress_(localAddress),
      options_(options),
      overflow_(overflow),
      places_(std::max(places, 1)) {}

std::size_t VersionQueries::NewEntry(const DeviceRecord& reply) {
    std::size_t index = entries_.size();
    if (!freeEntries_.empty()) {
        index = freeEntries_.back();
        freeEntries_.pop_back();
    } else {
        entries_.emplace_back();
    }
    Entry& entry = entries_[index];
    entry.sighting = Sighting{.row = reply, .version = {}, .listed = false};
    entry.replyNumber = replies_++;
    return index;
}

void VersionQueries::Take(const DeviceRecord& reply) {
    if (overflow_ == Overflow::drop) {
        if (held_ >= places_) {
            ++unlisted_;
            return;
        }
        const std::size_t index = NewEntry(reply);
        if (!AddressOf(reply)) {
            // No address to ask: the place stays free.
            entries_[index].stage = Stage::free;
            freeEntries_.push_back(index);
            return;
        }
        ++held_;
        Start(index);
        Settle(index);
        return;
    }
    if (entries_.size() >= kMostReplies) {
        ++unlisted_;
        return;
    }
    const std::size_t index = NewEntry(reply);
    const std::optional<net::Ipv4Address> device = AddressOf(reply);
    Entry& entry = entries_[index];
    if (!device) {
        entry.sighting.version = LocalFailureFinding(net::kErrorAddressNotAvailable);
        entry.stage = Stage::done;
        return;
    }
    if (const auto asked = asking_.find(*device); asked != asking_.end()) {
        entry.stage = Stage::sharing;
        entries_[asked->second].sharers.push_back(index);
        return;
    }
    asking_.emplace(*device, index);
    entry.stage = Stage::waiting;
    waiting_.push_back(index);
    StartWaiting();
}

void VersionQueries::StartWaiting() {
    while (active_ < places_ && !waiting_.empty()) {
        const std::size_t index = waiting_.front();
        waiting_.pop_front();
        Start(index);
        Settle(index);  // a query that failed at once gives its place straight back
    }
}

void VersionQueries::Start(std::size_t index) {
    Entry& entry = entries_[index];
    // The bound runs from the start of the connect, whatever the other queries do.
    entry.query = std::make_unique<VersionQueryTask>(
        localAddress_, net::Endpoint{*AddressOf(entry.sighting.row), options_.versionPort},
        Clock::now() + options_.versionTimeout);
    entry.stage = Stage::running;
    ++active_;
}

void VersionQueries::Record(Entry& entry, const VersionQueryTask& query) {
    entry.sighting.version = query.finding();
    entry.sighting.listed = query.state() == VersionQueryTask::State::answered;
    if (entry.sighting.listed) {
        const VersionAnswer& answer = query.answer();
        if (answer.sketchVersion) {
            entry.sighting.row.sketchVersion = *answer.sketchVersion;
        }
        if (answer.textVersion) {
            entry.sighting.row.textVersion = *answer.textVersion;
        }
    }
    entry.stage = Stage::done;
}

// An ended query writes its finding into its reply and those that shared it, and gives its
// place back (under the drop rule it keeps the place if the device answered). Waiting
// replies are started by the caller, so that a run of queries failing at once is a loop,
// not a recursion.
void VersionQueries::Settle(std::size_t index) {
    Entry& entry = entries_[index];
    if (!entry.query || entry.query->running()) {
        return;
    }
    const std::unique_ptr<VersionQueryTask> query = std::move(entry.query);
    --active_;
    if (overflow_ == Overflow::wait && active_ > 0 && IsShortage(query->finding())) {
        // The queries still running hold what this one lacked: it waits for one of them to
        // end, and no more than they run at once from here on.
        places_ = active_;
        entry.stage = Stage::waiting;
        waiting_.push_front(index);
        return;
    }
    Record(entry, *query);
    if (overflow_ == Overflow::drop) {
        if (!entry.sighting.listed) {
            entry.stage = Stage::free;
            freeEntries_.push_back(index);
            --held_;
        }
        return;
    }
    for (const std::size_t sharer : entry.sharers) {
        Record(entries_[sharer], *query);
    }
    entry.sharers.clear();
    asking_.erase(*AddressOf(entry.sighting.row));
}

int VersionQueries::WaitOnce(net::NativeSocket extra, Clock::time_point until,
                             bool& extraReadable) {
    extraReadable = false;
    std::vector<net::SocketWait> entries;
    std::vector<std::size_t> polled;
    if (extra != net::kNoSocket) {
        entries.push_back(net::SocketWait{extra, net::kCanRead, 0});
    }
    Clock::time_point wakeUp = until;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const std::unique_ptr<VersionQueryTask>& query = entries_[i].query;
        if (query && query->running()) {
            entries.push_back(net::SocketWait{query->fd(), query->events(), 0});
            polled.push_back(i);
            wakeUp = std::min(wakeUp, query->deadline());
        }
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(wakeUp - Clock::now());
    if (const int error = net::WaitForSockets(entries, left); error != 0) {
        return error;
    }
    const std::size_t first = extra != net::kNoSocket ? 1 : 0;
    if (first == 1) {
        if (entries[0].seen & net::kNotSocket) {
            return net::kErrorNotSocket;
        }
        extraReadable = entries[0].seen != 0;
    }
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < polled.size(); ++i) {
        entries_[polled[i]].query->Advance(entries[first + i].seen, now);
        Settle(polled[i]);
    }
    StartWaiting();
    return 0;
}

int VersionQueries::Finish() {
    while (running()) {
        bool unused = false;
        // Every query has its own deadline, and a waiting one starts as soon as a place comes
        // free, so this wait always ends.
        if (const int error = WaitOnce(net::kNoSocket, Clock::time_point::max(), unused);
            error != 0) {
            return error;
        }
    }
    return 0;
}

std::vector<const DeviceRecord*> VersionQueries::AnsweredRows() const {
    std::vector<const Entry*> answered;
    for (const Entry& entry : entries_) {
        if (entry.stage == Stage::done && entry.sighting.listed) {
            answered.push_back(&entry);
        }
    }
    std::sort(answered.begin(), answered.end(),
              [](const Entry* a, const Entry* b) { return a->replyNumber < b->replyNumber; });
    std::vector<const DeviceRecord*> rows;
    for (const Entry* entry : answered) {
        rows.push_back(&entry->sighting.row);
    }
    return rows;
}

int VersionQueries::WriteTable(DeviceTable& table) const {
    const std::vector<const DeviceRecord*> rows = AnsweredRows();
    const std::size_t count = std::min(rows.size(), table.rows.size());
    for (std::size_t i = 0; i < count; ++i) {
        table.rows[i] = *rows[i];
    }
    table.deviceCount = static_cast<std::int32_t>(count);
    return table.deviceCount;
}

std::vector<Sighting> VersionQueries::Sightings() const {
    std::vector<const Entry*> kept;
    for (const Entry& entry : entries_) {
        if (entry.stage != Stage::free) {
            kept.push_back(&entry);
        }
    }
    std::sort(kept.begin(), kept.end(),
              [](const Entry* a, const Entry* b) { return a->replyNumber < b->replyNumber; });
    std::vector<Sighting> sightings;
    sightings.reserve(kept.size());
    for (const Entry* entry : kept) {
        sightings.push_back(entry->sighting);
    }
    return sightings;
}

}  // namespace tavro::discovery
