#include "discovery/version_queries.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "net/nonblocking_io.h"
#include "net/socket_error.h"

namespace tavro::discovery {

VersionQueries::VersionQueries(net::Ipv4Address localAddress, const DiscoveryOptions& options)
    : localAddress_(localAddress), options_(options), places_(DeviceTable::kCapacity) {}

VersionQueries::Place* VersionQueries::FreePlace() {
    for (Place& place : places_) {
        if (!place.answered && !place.query) {
            return &place;
        }
    }
    return nullptr;
}

void VersionQueries::Take(const DeviceRecord& reply) {
    Place* place = FreePlace();
    if (place == nullptr) {
        ++unlisted_;
        return;
    }
    place->row = reply;
    place->replyNumber = replies_++;
    const auto device = net::Ipv4Address::Parse(
        std::string_view(reply.addressText, strnlen(reply.addressText, 16)));
    if (!device) {
        return;  // no address to ask: the place stays free
    }
    // The bound runs from the start of the connect, whatever the other queries do.
    place->query.emplace(localAddress_, net::Endpoint{*device, options_.versionPort},
                         Clock::now() + options_.versionTimeout);
    ++running_;
    Settle(*place);
}

// An ended query either keeps its place, with the numbers it got, or gives it back.
void VersionQueries::Settle(Place& place) {
    if (!place.query || place.query->running()) {
        return;
    }
    if (place.query->state() == VersionQueryTask::State::answered) {
        const VersionAnswer& answer = place.query->answer();
        if (answer.sketchVersion) {
            place.row.sketchVersion = *answer.sketchVersion;
        }
        if (answer.textVersion) {
            place.row.textVersion = *answer.textVersion;
        }
        place.answered = true;
    }
    place.query.reset();
    --running_;
}

int VersionQueries::WaitOnce(net::NativeSocket extra, Clock::time_point until,
                             bool& extraReadable) {
    extraReadable = false;
    std::vector<net::SocketWait> entries;
    std::vector<Place*> polled;
    if (extra != net::kNoSocket) {
        entries.push_back(net::SocketWait{extra, net::kCanRead, 0});
    }
    Clock::time_point wakeUp = until;
    for (Place& place : places_) {
        if (place.query && place.query->running()) {
            entries.push_back(net::SocketWait{place.query->fd(), place.query->events(), 0});
            polled.push_back(&place);
            wakeUp = std::min(wakeUp, place.query->deadline());
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
        polled[i]->query->Advance(entries[first + i].seen, now);
        Settle(*polled[i]);
    }
    return 0;
}

int VersionQueries::Finish() {
    while (running()) {
        bool unused = false;
        // Every query has its own deadline, so this wait always ends.
        if (const int error = WaitOnce(net::kNoSocket, Clock::time_point::max(), unused);
            error != 0) {
            return error;
        }
    }
    return 0;
}

std::vector<const DeviceRecord*> VersionQueries::AnsweredRows() const {
    std::vector<const Place*> answered;
    for (const Place& place : places_) {
        if (place.answered) {
            answered.push_back(&place);
        }
    }
    std::sort(answered.begin(), answered.end(),
              [](const Place* a, const Place* b) { return a->replyNumber < b->replyNumber; });
    std::vector<const DeviceRecord*> rows;
    for (const Place* place : answered) {
        rows.push_back(&place->row);
    }
    return rows;
}

int VersionQueries::WriteTable(DeviceTable& table) const {
    const std::vector<const DeviceRecord*> rows = AnsweredRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.rows[i] = *rows[i];
    }
    table.deviceCount = static_cast<std::int32_t>(rows.size());
    return table.deviceCount;
}

}  // namespace tavro::discovery
