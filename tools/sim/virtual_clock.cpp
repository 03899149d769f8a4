// The simulator's virtual clock: engine times that run an exact number of fixed steps.
#include "tools/sim/virtual_clock.h"

#include "app/app.h"
#include "core/game_state.h"

#include <cmath>
#include <limits>

float timeForOneMoreStep(const Clock& clock) {
    // The largest float not above the due time of step frameCounter + 1. At that time step
    // frameCounter is due (the float spacing is far below a step for any run length the
    // virtual clock reaches) and step frameCounter + 1 is not.
    const double next = stepDueTime(clock, clock.frameCounter + 1);
    float time = static_cast<float>(next);  // nearest float, which may lie above
    if (static_cast<double>(time) > next)
        time = std::nextafter(time, -std::numeric_limits<float>::infinity());
    return time;
}
