#pragma once

#include <functional>
#include <optional>

#include "batch/device_outcome.h"
#include "discovery/sightings.h"
#include "net/ipv4_address.h"

namespace tavro::batch {

// What one round of the come-back watch showed of one device.
struct Observation {
    enum class Kind {
        SeenInSearch,      // its hardware address answered the probe from its address
        AnsweredDirectly,  // no probe reply, but its address answered the version query
        Absent,            // no probe reply of its own; its address silent, or someone else's
        SaidNothing,       // this computer could not search or ask (localError)
    };
    Kind kind = Kind::SaidNothing;
    std::optional<discovery::Sighting> sighting;  // for SeenInSearch
    discovery::VersionFinding version;            // the search's query, or the direct one
    int localError = 0;                           // for SaidNothing

    static Observation Seen(const discovery::Sighting& sighting) {
        Observation seen;
        seen.kind = Kind::SeenInSearch;
        seen.sighting = sighting;
        seen.version = sighting.version;
        return seen;
    }
    static Observation Answered(const discovery::VersionFinding& version) {
        Observation answered;
        answered.kind = Kind::AnsweredDirectly;
        answered.version = version;
        return answered;
    }
    static Observation Absent() {
        Observation absent;
        absent.kind = Kind::Absent;
        return absent;
    }
    static Observation Nothing(int localError) {
        Observation nothing;  // SaidNothing
        nothing.localError = localError;
        return nothing;
    }
};

// Asks the device's address for its versions directly.
using AskVersion = std::function<discovery::VersionFinding()>;

// The round's evidence about the device at `address` whose hardware address is `identity`
// (any, while none is known). `ask` runs only when the search did not see the device and
// nobody else answered from its address: a direct answer there could be anyone's.
Observation ObserveRound(const discovery::Sightings& round, net::Ipv4Address address,
                         const std::optional<Mac>& identity, const AskVersion& ask);

}  // namespace tavro::batch
