#pragma once

#include <functional>
#include <memory>

#include "discovery/device_table.h"
#include "discovery/search_outcome.h"
#include "discovery/sightings.h"
#include "net/ipv4_address.h"

// Searches that exist only in a test's memory, for front ends that list every reply.
namespace tavro::test {

// A reply whose device answered its version query with this row's sketch version.
inline discovery::Sighting AnsweredSighting(const discovery::DeviceRecord& row) {
    return {.row = row,
            .version = {.fate = discovery::VersionFate::Answered,
                        .strictVersion = row.sketchVersion,
                        .localError = 0},
            .listed = true};
}

// A reply whose version query ended without an answer, as fate says.
inline discovery::Sighting UnansweredSighting(const discovery::DeviceRecord& row,
                                              discovery::VersionFate fate, int localError = 0) {
    return {.row = row,
            .version = {.fate = fate, .strictVersion = std::nullopt, .localError = localError},
            .listed = false};
}

using MadeUpDiscovery = std::function<discovery::SearchOutcome(discovery::DeviceTable& table,
                                                               net::Ipv4Address localAddress)>;

// What a search that lists every reply sees of a made-up device list search: its listed rows,
// each answered; a failed search (-1) fails the same way.
inline discovery::Sightings SightingsOfDiscovery(const MadeUpDiscovery& discover,
                                                 net::Ipv4Address localAddress) {
    auto table = std::make_unique<discovery::DeviceTable>();
    const discovery::SearchOutcome outcome = discover(*table, localAddress);
    discovery::Sightings sightings;
    if (outcome.count < 0) {
        sightings.error = -1;
        return sightings;
    }
    for (int i = 0; i < outcome.count && i < discovery::DeviceTable::kCapacity; ++i) {
        sightings.replies.push_back(AnsweredSighting(table->rows[static_cast<std::size_t>(i)]));
    }
    sightings.endedAtBound = outcome.endedAtBound;
    return sightings;
}

}  // namespace tavro::test
