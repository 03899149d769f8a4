// The simulator's virtual clock: engine times that run an exact number of fixed steps.
#pragma once

#include <cstdint>

// The game's catch-up test: a step is due while the engine time is strictly greater than
// clockStart + frameCounter x stepLength, the right side summed in double from floats.
bool stepIsDue(float time, float clockStart, int32_t frameCounter, float stepLength);

// The latest engine time (a float) at which the catch-up loop, standing at `frameCounter`,
// runs exactly one more step: the largest float not above the next step's due time.
float timeForOneMoreStep(float clockStart, int32_t frameCounter, float stepLength);
