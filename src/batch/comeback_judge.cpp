#include "batch/comeback_judge.h"

namespace tavro::batch {
namespace {

using discovery::VersionFate;

ComebackVerdict Verdict(Comeback state, const std::optional<discovery::DeviceRecord>& row = {}) {
    ComebackVerdict verdict;
    verdict.state = state;
    verdict.row = row;
    return verdict;
}

}  // namespace

void ComebackJudge::Observe(const Observation& observation) {
    if (back_) return;
    switch (observation.kind) {
        case Observation::Kind::SaidNothing:
            Lacked(observation.localError);
            return;
        case Observation::Kind::Absent:
            presentLastTime_ = false;
            if (++absentInARow_ >= kAbsentRoundsForGone) gone_ = true;
            return;
        case Observation::Kind::AnsweredDirectly:
            // Someone answers at its address, but without its hardware address: it is there
            // for all we know, yet this is no return.
            presentLastTime_ = true;
            absentInARow_ = 0;
            return;
        case Observation::Kind::SeenInSearch:
            presentLastTime_ = true;
            absentInARow_ = 0;
            if (observation.sighting) Seen(*observation.sighting);
            return;
    }
}

void ComebackJudge::Seen(const discovery::Sighting& sighting) {
    if (!identity_) identity_ = sighting.row.macAddress;
    const discovery::VersionFinding& version = sighting.version;
    if (version.fate == VersionFate::Answered && version.strictVersion) {
        const bool newVersion =
            before_.strictVersion && *version.strictVersion != *before_.strictVersion;
        if (gone_ || newVersion) {
            back_ = Verdict(Comeback::Back, sighting.row);
            back_->version = version.strictVersion;
            return;
        }
    }
    if (version.fate == VersionFate::LocalFailure) {
        // Its version might have shown the new firmware.
        Lacked(version.localError);
    } else if (gone_) {
        seenAgain_ = sighting.row;
    }
}

void ComebackJudge::Lacked(int localError) {
    lacked_ = true;
    if (gone_) lackedSinceGone_ = true;
    if (localError_ == 0) localError_ = localError;
}

ComebackVerdict ComebackJudge::AtDeadline() const {
    if (back_) return *back_;
    ComebackVerdict failed = Verdict(Comeback::WatchFailed);
    failed.localError = localError_;
    if (!gone_) {
        // It may have gone and come back while we could not look.
        if (lacked_) return failed;
        return Verdict(presentLastTime_ ? Comeback::NeverLeft : Comeback::NotBack);
    }
    if (seenAgain_) return Verdict(Comeback::BackUnreadable, seenAgain_);
    if (lackedSinceGone_) return failed;
    return Verdict(Comeback::NotBack);
}

}  // namespace tavro::batch
