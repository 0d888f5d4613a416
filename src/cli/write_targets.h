#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "batch/write_target.h"
#include "cli/cli_services.h"
#include "discovery/sightings.h"
#include "net/ipv4_address.h"

namespace tavro::cli {

// The devices as the command line names them: each strictly read, none twice. nullopt after
// a message on err.
std::optional<std::vector<batch::WriteTarget>> NamedTargets(const std::vector<std::string>& devices,
                                                            std::ostream& err);

// What one search of the write saw, as devices to write.
struct SearchedTargets {
    int error = 0;              // the search itself failed: nothing below holds
    bool endedAtBound = false;  // replies still came when the search had to stop
    std::size_t replies = 0;    // every reply, a device that answered twice counted twice
    // Every unicast address that answered, once, in numeric address order, so that neither
    // the batch's order nor its exit status follow the order the answers came in.
    std::vector<batch::WriteTarget> seen;
    // Those of them that the search lists (their version query answered): what --all writes.
    std::vector<batch::WriteTarget> listed;
};

// What one search saw, by address. An address that answered with two hardware addresses or
// more carries them all in `conflict` and no `before`: a write there may reach either.
SearchedTargets TargetsFromSightings(const discovery::Sightings& sightings);

// The search of the write, from the interface it works from.
SearchedTargets SearchTargets(const CliServices& services, net::Ipv4Address local);

// Gives each named target what the search knew of its address: the hardware address and
// version it answered with, or the conflict it showed. A named device that did not answer
// keeps what it had.
void LearnFromSearch(std::vector<batch::WriteTarget>& named, const SearchedTargets& searched);

}  // namespace tavro::cli
