// The drawing resolution's steps: down quickly when frames run over, back up when the step
// down did not pay off, up slowly and only when the larger picture is expected to fit with
// room to spare.
#include "platform/resolution.h"

#include <algorithm>

namespace raster {

namespace {

// The share of step `step`'s area (its percent squared) that step `step + 1` covers.
double areaRatioBelow(int step) {
    const double ratio = static_cast<double>(resolutionPercents[static_cast<size_t>(step + 1)]) /
                         resolutionPercents[static_cast<size_t>(step)];
    return ratio * ratio;
}

}  // namespace

void ResolutionController::moveTo(int step) {
    step_ = step;
    over_ = room_ = 0;
    recent_ = -1;
    judging_ = 0;
    judged_ = 0;
}

bool ResolutionController::frame(double seconds, double period) {
    const int lowest = static_cast<int>(resolutionPercents.size()) - 1;
    if (holdOff_ > 0 && --holdOff_ == 0) floor_ = 0;
    if (judging_ > 0) {
        // Just stepped down: the frames' mean time shows whether the smaller area helped.
        judged_ += seconds;
        if (--judging_ > 0) return false;
        const double after = judged_ / framesToJudge;
        const double predicted = before_ * (1 - areaRatioBelow(step_ - 1));
        const int tried = step_;
        moveTo(step_);
        recent_ = after;
        if (before_ - after >= predicted * payShare) return false;
        moveTo(tried - 1);
        floor_ = tried - 1;
        holdOff_ = holdOffFrames;
        return true;
    }
    recent_ = recent_ < 0 ? seconds : recent_ + (seconds - recent_) / framesToLower;
    if (seconds > period * overShare) {
        over_ = std::min(over_ + 1, framesToLower);
    } else {
        over_ = std::max(over_ - 1, 0);
    }
    const int lowestToTry = holdOff_ > 0 ? floor_ : lowest;
    if (over_ >= framesToLower && step_ < lowestToTry) {
        before_ = recent_;
        moveTo(step_ + 1);
        judging_ = framesToJudge;
        return true;
    }
    // The work grows with the pixels drawn: the next larger step's time, expected from
    // this frame's, is this one scaled by the ratio of their areas (the simulation, which
    // does not grow, makes it an overestimate).
    if (step_ == 0) return false;
    room_ = seconds / areaRatioBelow(step_ - 1) < period * roomShare ? room_ + 1 : 0;
    if (room_ < framesToRaise) return false;
    moveTo(step_ - 1);
    return true;
}

void ResolutionController::reset() {
    moveTo(0);
    floor_ = holdOff_ = 0;
}

}  // namespace raster
