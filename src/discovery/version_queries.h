#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"
#include "discovery/version_query_task.h"

namespace tavro::discovery {

// The version queries of one search, side by side: each reply's query starts when the reply
// is taken and runs on its own bound, whatever the others do. Devices that answered are
// listed in the order their replies were taken, not the order their answers came in.
//
// There are as many places as table rows. A place is held from the reply to the end of its
// query, and kept if the device answered; a reply that finds every place held is dropped
// and counted as unlisted. So at most 256 connections are open at once.
class VersionQueries {
public:
    using Clock = std::chrono::steady_clock;

    VersionQueries(net::Ipv4Address localAddress, const DiscoveryOptions& options);

    // Takes a reply's row (filled from its datagram) and starts its device's query now.
    void Take(const DeviceRecord& reply);
    bool running() const { return running_ > 0; }
    int unlisted() const { return unlisted_; }

    // One wait over every running query and, when extra is not net::kNoSocket, that socket
    // too, until a query's deadline or until at the latest. Advances every query that the wait
    // found ready or out of time. 0 (extraReadable tells about extra) or an error code.
    int WaitOnce(net::NativeSocket extra, Clock::time_point until, bool& extraReadable);
    // Waits until every running query has answered or failed. 0 or an error code.
    int Finish();

    // The rows of the devices that answered, in reply order.
    std::vector<const DeviceRecord*> AnsweredRows() const;
    // Rows 0.. of the table take AnsweredRows; the rows behind them keep what they held.
    // Returns, and sets as the table's count, how many were written.
    int WriteTable(DeviceTable& table) const;

private:
    struct Place {
        DeviceRecord row;
        std::uint64_t replyNumber = 0;
        std::optional<VersionQueryTask> query;
        bool answered = false;
    };

    Place* FreePlace();
    void Settle(Place& place);

    net::Ipv4Address localAddress_;
    DiscoveryOptions options_;
    std::vector<Place> places_;
    std::uint64_t replies_ = 0;
    int running_ = 0;
    int unlisted_ = 0;
};

}  // namespace tavro::discovery
