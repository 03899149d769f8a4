// The simulator's virtual clock: engine times that run an exact number of fixed steps.
#include "tools/sim/virtual_clock.h"

#include <cmath>
#include <limits>

namespace {

// The due time of step `frameCounter`, summed in double exactly as the game sums it.
double dueTime(float clockStart, int32_t frameCounter, float stepLength) {
    return static_cast<double>(clockStart) +
           static_cast<double>(frameCounter) * static_cast<double>(stepLength);
}

}  // namespace

// True when the catch-up loop standing at `frameCounter` runs a step at `time`.
bool stepIsDue(float time, float clockStart, int32_t frameCounter, float stepLength) {
    return static_cast<double>(time) > dueTime(clockStart, frameCounter, stepLength);
}

// The largest float not above the due time of step frameCounter + 1. At that time step
// frameCounter is due (the float spacing is far below a step for any run length the
// virtual clock reaches) and step frameCounter + 1 is not.
float timeForOneMoreStep(float clockStart, int32_t frameCounter, float stepLength) {
    const double next = dueTime(clockStart, frameCounter + 1, stepLength);
    float time = static_cast<float>(next);  // nearest float, which may lie above
    if (static_cast<double>(time) > next)
        time = std::nextafter(time, -std::numeric_limits<float>::infinity());
    return time;
}
