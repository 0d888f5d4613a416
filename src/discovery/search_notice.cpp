#include "discovery/search_notice.h"

#include <string>

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"

namespace tavro::discovery {

namespace {

std::string UnlistedPart(int unlisted) {
    const std::string holds = " (the list holds " + std::to_string(DeviceTable::kCapacity) + ")";
    if (unlisted == 1) {
        return "1 more reply was not listed" + holds;
    }
    return std::to_string(unlisted) + " more replies were not listed" + holds;
}

// The front ends search with the product's times, so the bound they name is the product's.
std::string BoundPart() {
    const long long bound = DiscoveryOptions{}.searchBound.count();
    const std::string shown =
        bound % 1000 == 0 ? std::to_string(bound / 1000) + " s" : std::to_string(bound) + " ms";
    return "the search ended at its " + shown + " bound while replies were still arriving";
}

}  // namespace

std::string SearchNotice(const SearchOutcome& outcome) {
    if (outcome.count < 0) {
        return {};
    }
    std::string notice;
    if (outcome.unlistedReplies > 0) {
        notice = UnlistedPart(outcome.unlistedReplies);
    }
    if (outcome.endedAtBound) {
        notice += notice.empty() ? BoundPart() : "; " + BoundPart();
    }
    return notice;
}

}  // namespace tavro::discovery
