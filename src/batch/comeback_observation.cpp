#include "batch/comeback_observation.h"

#include <cstring>

namespace tavro::batch {
namespace {

using discovery::VersionFate;

// A device that replied twice in one round showed the most of itself in its best answer.
int Weight(VersionFate fate) {
    switch (fate) {
        case VersionFate::Answered:
            return 3;
        case VersionFate::Unreadable:
            return 2;
        case VersionFate::Silent:
            return 1;
        case VersionFate::LocalFailure:
            break;
    }
    return 0;
}

bool FromAddress(const discovery::Sighting& sighting, const std::string& address) {
    // Only the address's own text names it, as the search writes it.
    return std::strncmp(sighting.row.addressText, address.c_str(),
                        sizeof sighting.row.addressText) == 0;
}

Observation FromDirectQuery(const discovery::VersionFinding& finding) {
    switch (finding.fate) {
        case VersionFate::Answered:
        case VersionFate::Unreadable:
            return Observation::Answered(finding);
        case VersionFate::Silent:
            return Observation::Absent();
        case VersionFate::LocalFailure:
            break;
    }
    return Observation::Nothing(finding.localError);
}

}  // namespace

Observation ObserveRound(const discovery::Sightings& round, net::Ipv4Address address,
                         const std::optional<Mac>& identity, const AskVersion& ask) {
    if (round.error != 0) {
        return Observation::Nothing(round.error);
    }
    const std::string text = address.ToString();
    const discovery::Sighting* best = nullptr;
    bool someoneElse = false;
    for (const discovery::Sighting& sighting : round.replies) {
        if (!FromAddress(sighting, text)) continue;
        if (identity && sighting.row.macAddress != *identity) {
            someoneElse = true;
            continue;
        }
        if (!best || Weight(sighting.version.fate) > Weight(best->version.fate)) best = &sighting;
    }
    if (best) return Observation::Seen(*best);
    if (someoneElse) return Observation::Absent();
    return FromDirectQuery(ask());
}

}  // namespace tavro::batch
