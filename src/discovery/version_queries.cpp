#include "discovery/version_queries.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>

#include "net/socket_error.h"

namespace tavro::discovery {

VersionQueries::VersionQueries(std::uint32_t localAddress, const DiscoveryOptions& options)
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
    const auto device =
        net::ParseIPv4(std::string_view(reply.addressText, strnlen(reply.addressText, 16)));
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

int VersionQueries::WaitOnce(int extraFd, Clock::time_point until, bool& extraReadable) {
    extraReadable = false;
    std::vector<pollfd> entries;
    std::vector<Place*> polled;
    if (extraFd >= 0) {
        entries.push_back(pollfd{extraFd, POLLIN, 0});
    }
    Clock::time_point wakeUp = until;
    for (Place& place : places_) {
        if (place.query && place.query->running()) {
            entries.push_back(pollfd{place.query->fd(), place.query->events(), 0});
            polled.push_back(&place);
            wakeUp = std::min(wakeUp, place.query->deadline());
        }
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(wakeUp - Clock::now());
    const int timeout = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        left.count(), 0, std::numeric_limits<int>::max()));
    const int ready = ::poll(entries.data(), entries.size(), timeout);
    // A signal only cuts this wait short; the caller's loop waits again.
    if (ready < 0 && errno != EINTR) {
        return net::WinsockErrorFromErrno(errno);
    }
    const bool seen = ready > 0;
    const std::size_t first = extraFd >= 0 ? 1 : 0;
    if (extraFd >= 0 && seen) {
        if (entries[0].revents & POLLNVAL) {
            return net::kErrorNotSocket;
        }
        extraReadable = entries[0].revents != 0;
    }
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < polled.size(); ++i) {
        polled[i]->query->Advance(seen ? entries[first + i].revents : 0, now);
        Settle(*polled[i]);
    }
    return 0;
}

int VersionQueries::Finish() {
    while (running()) {
        bool unused = false;
        // Every query has its own deadline, so this wait always ends.
        if (const int error = WaitOnce(-1, Clock::time_point::max(), unused); error != 0) {
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
