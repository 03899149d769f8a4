// The gameplay screen's frame function: the R restart, the fixed-step catch-up loop, and
// one gameplay step with the star background and the timeline hold.
#include "app/app.h"

#include "actors/actors.h"
#include "core/game_state.h"
#include "input/input.h"
#include "script/script.h"
#include "sim/sim.h"

namespace {

// Largest value the generator returns; random values are used as q / 32767.
constexpr float randomMax = 32767.0f;

// Growth of the score multiplier per step. The factor is the decimal 1.0005: the product
// is taken in double and rounded to float, not multiplied by the float nearest 1.0005.
constexpr double multiplierGrowth = 1.0005;

// Moves every star down by its speed; a star past the bottom restarts at the top at a
// new random x and keeps its speed.
void moveStars() {
    const Shell& shell = game.shell;
    const double bottom = 1.5 * static_cast<double>(shell.pixelsPerUnitY);
    for (Star& star : game.world.starField) {
        star.y += star.speed;
        if (static_cast<double>(star.y) > bottom) {
            star.y = 0.0f;
            star.x = static_cast<float>(game.rng.next()) * shell.pixelsPerUnitX / randomMax;
        }
    }
}

// Ends every running boss, from the last bar to the first, with its timeout event. A
// timeout script that starts a new boss appends bars past the count taken here.
void timeOutBosses() {
    auto& bars = game.world.bossBars;
    for (auto k = static_cast<int32_t>(bars.size()) - 1; k >= 0; --k) {
        if (static_cast<size_t>(k) < bars.size()) endBoss(k, 1);
    }
}

// The stage timeline: run the frame that is due, or count the running hold, which ends
// when it reaches its length. Nothing runs once the level's length is reached.
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
    if (frame >= 0 && static_cast<size_t>(frame) < game.defs.timeline.size())
        runTimelineFrame(static_cast<int32_t>(frame));
}

// One step's growth of the player's score multiplier.
void growMultiplier(Player& player) {
    player.scoreMultiplier =
        static_cast<float>(static_cast<double>(player.scoreMultiplier) * multiplierGrowth);
}

}  // namespace

// The timeline frame the run stands at: the steps since newGame from the run's start
// frame, less the steps spent in boss holds.
int64_t timelineFrame() {
    const Clock& c = game.clock;
    return int64_t{c.frameCounter} + c.timelineStart - c.holdTotal - c.holdCounter;
}

// The stage block (from 1, in load order) that `frame` lies in: the last one whose first
// frame is at or before it (a later block owns the frames it took over); 0 before any.
int32_t stageAt(int64_t frame) {
    const auto& starts = game.defs.stageStarts;
    int32_t stage = 0;
    for (size_t k = 0; k < starts.size(); ++k)
        if (starts[k] <= frame) stage = static_cast<int32_t>(k) + 1;
    return stage;
}

// The engine time after which step `step` is due: clockStart + step x stepLength, summed
// in double from the float clock values.
double stepDueTime(const Clock& clock, int32_t step) {
    return static_cast<double>(clock.clockStart) +
           static_cast<double>(step) * static_cast<double>(clock.stepLength);
}

// True when the catch-up loop, standing at the clock's frameCounter, runs a step at
// engine time `time`: strictly after the step's due time.
bool stepDueAt(const Clock& clock, float time) {
    return static_cast<double>(time) > stepDueTime(clock, clock.frameCounter);
}

// True while the engine clock is ahead of the steps run since newGame.
bool stepDue() {
    Engine* engine = game.shell.engine;
    if (engine == nullptr) return false;
    return stepDueAt(game.clock, engine->Timer_GetTime());
}

// Lays out the 160 background stars afresh: three random values per star, in order.
void layOutStars() {
    const Shell& shell = game.shell;
    for (Star& star : game.world.starField) {
        const int r1 = game.rng.next();
        const int r2 = game.rng.next();
        const int r3 = game.rng.next();
        star.x = static_cast<float>(r1) * shell.pixelsPerUnitX / randomMax;
        star.y = static_cast<float>(static_cast<double>(r2) *
                                    (static_cast<double>(shell.pixelsPerUnitY) * 1.5) / 32767.0);
        star.speed = static_cast<float>(
            static_cast<double>(r3) * (static_cast<double>(shell.pixelsPerUnitY) * 0.01) /
                32767.0 +
            0.005);
    }
}

// Frame function of gameplay: R held, or tapped since the last step, restarts the game;
// then as many steps as the clock requires, up to the frame's limit (past it a stall is
// skipped). Always false: gameplay never ends the program.
bool gameplayFrame() {
    Engine* engine = game.shell.engine;
    if (engine == nullptr || reloadIfAsked()) return false;
    handleOverlayKeys(*engine);
    if (pauseFrame(*engine)) return false;
    // R restarts, ending the run (a recording keeps it); it does nothing to a replay. A
    // tap shorter than a frame is latched; the restart forgets the latches it saw.
    const bool restart =
        engine->Input_GetKeyState(keys::letterR) || engine->Input_KeyWentDown(keys::letterR);
    if (restart && !game.replay.playing) {
        endReplayRun();
        newGame();
        engine->Input_ClearLatches();
    }
    for (int32_t steps = 0; frameStepDue(steps); ++steps) {
        if (playbackFinished()) {
            if (game.replay.returnToSelection) enterShipSelection();
            return false;
        }
        // The step is timed only while the overlay shows the time.
        const bool timed = game.shell.overlay;
        const double started = timed ? engine->Timer_GetTicks() : 0.0;
        const bool stayed = gameplayStep();
        if (timed) noteOverlayStep(engine->Timer_GetTicks() - started);
        if (game.shell.afterGameplayStep != nullptr) game.shell.afterGameplayStep();
        if (!stayed) return false;
    }
    return false;
}

// One gameplay step; false when the exit action has just left gameplay, so that the
// frame function returns at once and no further step of this display frame runs.
bool gameplayStep() {
    sampleStepInput();
    collideActors();
    updateActors();
    showStatusLine();
    moveStars();
    advanceStage();
    runEmitters();
    if (!game.world.players.empty()) growMultiplier(game.world.players[0]);
    if (game.input.actionEdge[Held::exit] == edge::pressed) {
        enterShipSelection();
        return false;
    }
    if (game.shell.joystickOpen && game.shell.joystick != nullptr) game.shell.joystick->update();
    playerStep();
    game.clock.frameCounter += 1;
    afterReplayStep();
    return true;
}
