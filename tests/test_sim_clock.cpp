// The simulator's virtual clock: every display frame runs exactly one fixed step of the
// game's own catch-up loop.
#include "app/app.h"
#include "core/game_state.h"
#include "tools/sim/virtual_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr float stepLength = 1.0f / 60.0f;

// The game clock started at `clockStart`, standing at step `frameCounter`.
Clock clockAt(float clockStart, int32_t frameCounter) {
    Clock clock;
    clock.clockStart = clockStart;
    clock.frameCounter = frameCounter;
    clock.stepLength = stepLength;
    return clock;
}

// True when the game's catch-up loop standing at `frameCounter` runs a step at `time`.
bool stepIsDue(float time, float clockStart, int32_t frameCounter) {
    return stepDueAt(clockAt(clockStart, frameCounter), time);
}

// Steps the game's catch-up loop runs at `time` from `frameCounter` on.
int stepsRun(float time, float clockStart, int32_t& frameCounter) {
    int steps = 0;
    while (stepIsDue(time, clockStart, frameCounter)) {
        ++frameCounter;
        ++steps;
    }
    return steps;
}

// The simulator's time for one more step from `frameCounter` on.
float timeForOneMoreStep(float clockStart, int32_t frameCounter) {
    return timeForOneMoreStep(clockAt(clockStart, frameCounter));
}

}  // namespace

TEST(SimVirtualClock, CatchUpTestIsStrictAndSummedInDouble) {
    // 1/60 as a float is slightly above 1/60, so step 3 is due only above 0.05000000257.
    EXPECT_TRUE(stepIsDue(0.0500000007f, 0.0f, 2));
    EXPECT_FALSE(stepIsDue(0.0500000007f, 0.0f, 3));
    EXPECT_FALSE(stepIsDue(0.0f, 0.0f, 0));  // strictly greater
    EXPECT_TRUE(stepIsDue(std::nextafter(0.0f, 1.0f), 0.0f, 0));
}

TEST(SimVirtualClock, OneStepPerFrameForAHundredThousandFrames) {
    for (float clockStart : {0.0f, 0.1f, 12.345678f, 1000.0f}) {
        int32_t frameCounter = 0;
        float previous = clockStart;
        for (int frame = 0; frame < 100000; ++frame) {
            const float time = timeForOneMoreStep(clockStart, frameCounter);
            ASSERT_GE(time, previous) << "frame " << frame;
            ASSERT_EQ(stepsRun(time, clockStart, frameCounter), 1)
                << "clock start " << clockStart << ", frame " << frame;
            previous = time;
        }
        EXPECT_EQ(frameCounter, 100000);
    }
}

TEST(SimVirtualClock, TimeIsTheLatestFloatBeforeTheNextStep) {
    const float time = timeForOneMoreStep(0.0f, 0);
    EXPECT_LE(static_cast<double>(time), static_cast<double>(stepLength));
    const float later = std::nextafter(time, std::numeric_limits<float>::infinity());
    EXPECT_GT(static_cast<double>(later), static_cast<double>(stepLength));
    // At any later float the next step would be due as well.
    int32_t frameCounter = 0;
    EXPECT_EQ(stepsRun(later, 0.0f, frameCounter), 2);
}

TEST(SimVirtualClock, FrameTimesAtANaivelyRoundedSumCanRunTwoOrZeroSteps) {
    // What the careful choice avoids: time = float(k x stepLength) in float arithmetic.
    int32_t frameCounter = 0;
    int offFrames = 0;
    for (int frame = 0; frame < 100000; ++frame) {
        const float naive = static_cast<float>(frame + 1) * stepLength;
        if (stepsRun(naive, 0.0f, frameCounter) != 1) ++offFrames;
    }
    EXPECT_GT(offFrames, 0);
}
