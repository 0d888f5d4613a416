#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"
#include "discovery/sightings.h"
#include "discovery/version_query_task.h"

namespace tavro::discovery {

// The version queries of one search, side by side: each reply's query runs on its own bound,
// whatever the others do. Devices that answered are listed in the order their replies were
// taken, not the order their answers came in. At most `places` queries run at once, so at
// most that many connections are open.
//
// What happens to a reply that finds every place held depends on the overflow rule:
// - drop (the device list): a place is held from the reply to the end of its query, and kept
//   if the device answered, so the list never holds more than its places; such a reply is
//   dropped and counted as unlisted.
// - wait (every reply kept): a place is held only while its query runs; the reply waits for
//   one, in reply order. A reply from an address whose query is running or waiting shares
//   that query's finding, so a device that floods replies costs one query at a time. Past
//   kMostReplies, replies are dropped and counted as unlisted. A query that finds this
//   computer out of descriptors or buffers while others run waits again, and the places
//   shrink to what runs; only when none runs is the shortage its finding.
class VersionQueries {
public:
    using Clock = std::chrono::steady_clock;
    enum class Overflow { drop, wait };
    static constexpr std::size_t kMostReplies = 4096;

    VersionQueries(net::Ipv4Address localAddress, const DiscoveryOptions& options,
                   Overflow overflow = Overflow::drop, int places = DeviceTable::kCapacity);

    // Takes a reply's row (filled from its datagram); its query starts now if a place is free.
    void Take(const DeviceRecord& reply);
    // A query runs or waits for a place.
    bool running() const { return active_ > 0 || !waiting_.empty(); }
    int unlisted() const { return unlisted_; }

    // One wait over every running query and, when extra is not net::kNoSocket, that socket
    // too, until a query's deadline or until at the latest. Advances every query that the wait
    // found ready or out of time, and starts waiting ones in the places that came free.
    // 0 (extraReadable tells about extra) or an error code.
    int WaitOnce(net::NativeSocket extra, Clock::time_point until, bool& extraReadable);
    // Waits until every query has answered or failed. 0 or an error code.
    int Finish();

    // The rows of the devices that answered, in reply order.
    std::vector<const DeviceRecord*> AnsweredRows() const;
    // Rows 0.. of the table take AnsweredRows; the rows behind them keep what they held.
    // Returns, and sets as the table's count, how many were written.
    int WriteTable(DeviceTable& table) const;
    // Every reply kept, in reply order, with its finding (under the drop rule, only the
    // listed ones are kept).
    std::vector<Sighting> Sightings() const;

private:
    enum class Stage { free, waiting, running, sharing, done };
    struct Entry {
        Sighting sighting;
        std::uint64_t replyNumber = 0;
        Stage stage = Stage::free;
        std::unique_ptr<VersionQueryTask> query;
        std::vector<std::size_t> sharers;  // replies that take this query's finding
    };

    std::size_t NewEntry(const DeviceRecord& reply);
    void Start(std::size_t index);
    void Settle(std::size_t index);
    void Record(Entry& entry, const VersionQueryTask& query);
    void StartWaiting();

    net::Ipv4Address localAddress_;
    DiscoveryOptions options_;
    Overflow overflow_;
    int places_;
    std::vector<Entry> entries_;
    std::vector<std::size_t> freeEntries_;            // drop rule: entries to reuse
    std::deque<std::size_t> waiting_;                 // wait rule: replies waiting for a place
    std::map<net::Ipv4Address, std::size_t> asking_;  // wait rule: address -> its query
    std::uint64_t replies_ = 0;
    int active_ = 0;  // queries running, each in a place
    int held_ = 0;    // drop rule: places held by running or answered queries
    int unlisted_ = 0;
};

}  // namespace tavro::discovery
