#pragma once

namespace tavro::discovery {

// What one search tells its caller: how many devices it listed, and what the user should hear
// beside the list.
struct SearchOutcome {
    int count = 0;              // rows 0..count-1 hold the devices; -1 when the search failed
    int unlistedReplies = 0;    // replies dropped because every place in the list was taken
    bool endedAtBound = false;  // the total bound stopped the search while replies still came

    SearchOutcome() = default;
    // A bare count reads as a search that left nothing out and ended on its quiet second.
    SearchOutcome(int deviceCount) : count(deviceCount) {}  // NOLINT(google-explicit-constructor)
};

}  // namespace tavro::discovery
