// The simulator's virtual clock: engine times that run an exact number of fixed steps,
// worked out from the game's own catch-up test (stepDueAt in app/).
#pragma once

struct Clock;

// The latest engine time (a float) at which the catch-up loop, standing at the clock's
// frameCounter, runs exactly one more step: the largest float not above the next step's
// due time.
float timeForOneMoreStep(const Clock& clock);
