#include "cli/write_targets.h"

#include <algorithm>
#include <map>
#include <ostream>
#include <set>

#include "cli/console/terminal_text.h"
#include "cli/strict_address.h"

namespace tavro::cli {
namespace {

// What the replies from one address said.
struct AddressReplies {
    std::vector<batch::Mac> macs;                 // each once, in the order they first answered
    const discovery::Sighting* listed = nullptr;  // its first listed reply
};

void Note(AddressReplies& replies, const discovery::Sighting& sighting) {
    const batch::Mac& mac = sighting.row.macAddress;
    if (std::find(replies.macs.begin(), replies.macs.end(), mac) == replies.macs.end()) {
        replies.macs.push_back(mac);
    }
    if (sighting.listed && replies.listed == nullptr) replies.listed = &sighting;
}

batch::WriteTarget TargetAt(net::Ipv4Address address, const AddressReplies& replies) {
    batch::WriteTarget target{.address = address, .before = {}, .conflict = {}};
    if (replies.macs.size() > 1) {
        target.conflict = replies.macs;
        return target;
    }
    target.before.mac = replies.macs.front();
    // Only a version that reads is one the record states and the come-back is told by.
    if (replies.listed != nullptr) {
        target.before.sketchVersion = replies.listed->version.strictVersion;
        target.before.strictVersion = replies.listed->version.strictVersion;
    }
    return target;
}

}  // namespace

std::optional<std::vector<batch::WriteTarget>> NamedTargets(const std::vector<std::string>& devices,
                                                            std::ostream& err) {
    std::vector<batch::WriteTarget> targets;
    std::set<std::string> seen;
    for (const std::string& device : devices) {
        const DeviceAddressReading reading = ReadDeviceAddress(device);
        if (!reading.accepted()) {
            err << "tavro-writer-cli: \"" << TerminalText(device)
                << "\" is not a device address: " << reading.refusal << "\n";
            return std::nullopt;
        }
        if (!seen.insert(device).second) {
            err << "tavro-writer-cli: " << device << " is named twice\n";
            return std::nullopt;
        }
        targets.push_back({.address = reading.address, .before = {}, .conflict = {}});
    }
    return targets;
}

SearchedTargets TargetsFromSightings(const discovery::Sightings& sightings) {
    SearchedTargets searched{.error = sightings.error,
                             .endedAtBound = sightings.endedAtBound,
                             .replies = sightings.replies.size(),
                             .seen = {},
                             .listed = {}};
    if (sightings.error != 0) return searched;
    // Keyed by the address in host order: the map's order is the numeric one.
    std::map<std::uint32_t, AddressReplies> byAddress;
    for (const discovery::Sighting& sighting : sightings.replies) {
        // Each reply's sender; only a unicast one can be written to.
        const DeviceAddressReading reading = ReadDeviceAddress(sighting.row.addressText);
        if (reading.accepted()) Note(byAddress[reading.address.hostOrder()], sighting);
    }
    for (const auto& [address, replies] : byAddress) {
        const batch::WriteTarget target =
            TargetAt(net::Ipv4Address::FromHostOrder(address), replies);
        searched.seen.push_back(target);
        if (replies.listed != nullptr) searched.listed.push_back(target);
    }
    return searched;
}

SearchedTargets SearchTargets(const CliServices& services, net::Ipv4Address local) {
    return TargetsFromSightings(services.searchEveryDevice(local));
}

void LearnFromSearch(std::vector<batch::WriteTarget>& named, const SearchedTargets& searched) {
    for (batch::WriteTarget& target : named) {
        const auto same = [&](const batch::WriteTarget& seen) {
            return seen.address == target.address;
        };
        const auto seen = std::find_if(searched.seen.begin(), searched.seen.end(), same);
        if (seen == searched.seen.end()) continue;
        target.before = seen->before;
        target.conflict = seen->conflict;
    }
}

}  // namespace tavro::cli
