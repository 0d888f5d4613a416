#pragma once

#include <optional>

#include "batch/comeback_observation.h"
#include "batch/device_outcome.h"
#include "batch/seen_before.h"

namespace tavro::batch {

// Decides from one observation per watch round whether a written device went away and came
// back. Only what the device showed counts:
// - gone: absent in two rounds in a row; a round that said nothing (this computer's failure)
//   sits between them without counting or breaking the pair;
// - back: after gone, its hardware address answering the probe with a version that reads
//   strictly; or, before gone, a strict version other than the strict one before the write;
// - a device that answered again after gone, but never with a strict version, is back with
//   its version unreadable; the wait goes on in case it shows one;
// - never gone, it never left only when the last round that said something found it there;
// - our own failures never stand for the device's: where they kept a conclusion out of
//   reach, the verdict is WatchFailed.
class ComebackJudge {
public:
    explicit ComebackJudge(const SeenBefore& before) : before_(before), identity_(before.mac) {}

    // The hardware address that is this device: the one seen before the write, else the first
    // one seen answering from its address afterwards.
    const std::optional<Mac>& identity() const { return identity_; }

    void Observe(const Observation& observation);
    // Set once the device is back: nothing later can change that.
    const std::optional<ComebackVerdict>& Concluded() const { return back_; }
    // The verdict when the wait ends without the device back.
    ComebackVerdict AtDeadline() const;

private:
    static constexpr int kAbsentRoundsForGone = 2;

    void Seen(const discovery::Sighting& sighting);
    void Lacked(int localError);

    SeenBefore before_;
    std::optional<Mac> identity_;
    int absentInARow_ = 0;
    bool gone_ = false;
    bool presentLastTime_ = false;  // the last round that said something found it there
    bool lacked_ = false;           // some round, or some version query, said nothing
    bool lackedSinceGone_ = false;
    int localError_ = 0;                                // the first of our failures
    std::optional<discovery::DeviceRecord> seenAgain_;  // after gone, without a strict version
    std::optional<ComebackVerdict> back_;
};

}  // namespace tavro::batch
