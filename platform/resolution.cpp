// The drawing resolution's steps: down quickly when frames run over, up slowly and only
// when the larger picture is expected to fit with room to spare.
#include "platform/resolution.h"

#include <algorithm>

namespace raster {

bool ResolutionController::frame(double seconds, double period) {
    const int lowest = static_cast<int>(resolutionPercents.size()) - 1;
    if (seconds > period * overShare) {
        over_ += 1;
    } else {
        over_ = std::max(over_ - 1, 0);
    }
    if (over_ >= framesToLower && step_ < lowest) {
        step_ += 1;
        over_ = room_ = 0;
        return true;
    }
    // The work grows with the pixels drawn: the next larger step's time, expected from
    // this frame's, is this one scaled by the ratio of their areas (the simulation, which
    // does not grow, makes it an overestimate).
    if (step_ == 0) return false;
    const double ratio = static_cast<double>(resolutionPercents[static_cast<size_t>(step_ - 1)]) /
                         resolutionPercents[static_cast<size_t>(step_)];
    room_ = seconds * ratio * ratio < period * roomShare ? room_ + 1 : 0;
    if (room_ < framesToRaise) return false;
    step_ -= 1;
    over_ = room_ = 0;
    return true;
}

void ResolutionController::reset() {
    step_ = 0;
    over_ = room_ = 0;
}

}  // namespace raster
