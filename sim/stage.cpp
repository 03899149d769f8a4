// The stage around the Actors: the timeline with its boss hold and stage starts, the
// star background, and the score multiplier's growth.
#include "sim/sim.h"

#include "core/game_state.h"
#include "script/script.h"
#include "core/numbers.h"

namespace {

// Random values are used as q / randomMax.
constexpr float randomMax = static_cast<float>(Rng::maxValue);
constexpr double randomMaxDouble = Rng::maxValue;

// Growth of the score multiplier per step. The factor is the decimal 1.0005: the product
// is taken in double and rounded to float, not multiplied by the float nearest 1.0005.
constexpr double multiplierGrowth = 1.0005;

// Ends every running boss, from the last bar to the first, with its timeout event. A
// timeout script that starts a new boss appends bars past the count taken here.
void timeOutBosses() {
    auto& bars = game.world.bossBars;
    for (auto k = static_cast<int32_t>(bars.size()) - 1; k >= 0; --k) {
        if (static_cast<size_t>(k) < bars.size()) endBoss(k, 1);
    }
}

// A stage starting event for every stage block whose first frame is `frame`.
void noteStageStarts(int64_t frame) {
    const auto& starts = game.defs.stageStarts;
    for (size_t k = 0; k < starts.size(); ++k) {
        if (starts[k] == frame)
            game.events.add({StepEventKind::StageStart, -1, -1, 0, 0, static_cast<float>(k + 1)});
    }
}

}  // namespace

void moveStars() {
    const PlayfieldLayout& layout = game.layout;
    const double bottom =
        static_cast<double>(num::playfieldHeight) * static_cast<double>(layout.pixelsPerUnitY);
    for (Star& star : game.world.starField) {
        star.y += star.speed;
        if (static_cast<double>(star.y) > bottom) {
            star.y = 0.0f;
            star.x = static_cast<float>(game.rng.next()) * layout.pixelsPerUnitX / randomMax;
        }
    }
}

void advanceStage() {
    Clock& clock = game.clock;
    const int64_t frame = timelineFrame();
    if (frame >= game.defs.timelineLength) return;
    if (clock.holdActive) {
        clock.holdCounter += 1;
        if (clock.holdCounter >= clock.holdLength) {
            timeOutBosses();
            // holdLength is 0 here when the last endBoss already closed the hold.
            clock.holdTotal += clock.holdLength;
            clock.holdActive = false;
            clock.holdCounter = 0;
        }
        return;
    }
    if (frame >= 0 && static_cast<size_t>(frame) < game.defs.timeline.size()) {
        noteStageStarts(frame);
        runTimelineFrame(static_cast<int32_t>(frame));
    }
}

void growMultiplier(Player& player) {
    player.scoreMultiplier =
        static_cast<float>(static_cast<double>(player.scoreMultiplier) * multiplierGrowth);
}

int64_t timelineFrame() {
    const Clock& c = game.clock;
    return int64_t{c.frameCounter} + c.timelineStart - c.holdTotal - c.holdCounter;
}

int32_t stageAt(int64_t frame) {
    const auto& starts = game.defs.stageStarts;
    int32_t stage = 0;
    for (size_t k = 0; k < starts.size(); ++k)
        if (starts[k] <= frame) stage = static_cast<int32_t>(k) + 1;
    return stage;
}

void layOutStars() {
    const PlayfieldLayout& layout = game.layout;
    for (Star& star : game.world.starField) {
        const int r1 = game.rng.next();
        const int r2 = game.rng.next();
        const int r3 = game.rng.next();
        star.x = static_cast<float>(r1) * layout.pixelsPerUnitX / randomMax;
        star.y = static_cast<float>(static_cast<double>(r2) *
                                    (static_cast<double>(layout.pixelsPerUnitY) *
                                     static_cast<double>(num::playfieldHeight)) /
                                    randomMaxDouble);
        star.speed = static_cast<float>(
            static_cast<double>(r3) * (static_cast<double>(layout.pixelsPerUnitY) * 0.01) /
                randomMaxDouble +
            0.005);
    }
}
