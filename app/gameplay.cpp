// The gameplay screen's frame function: the R restart, the fixed-step catch-up loop, and
// one gameplay step (the simulation's order, with the app's input, tests and checks).
#include "app/app.h"

#include "core/game_state.h"
#include "input/input.h"
#include "sim/sim.h"

namespace {

// The gameplay step's exit test: the exit action pressed leaves the run (leaveRun).
int32_t exitTest() {
    if (game.input.actionEdge[Held::exit] != edge::pressed) return 0;
    leaveRun();
    return 1;
}

}  // namespace

double stepDueTime(const Clock& clock, int32_t step) {
    return static_cast<double>(clock.clockStart) +
           static_cast<double>(step) * static_cast<double>(clock.stepLength);
}

bool stepDueAt(const Clock& clock, float time) {
    return static_cast<double>(time) > stepDueTime(clock, clock.frameCounter);
}

bool stepDue() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return false;
    return stepDueAt(game.clock, engine->Timer_GetTime());
}

bool gameplayFrame() {
    // Frame function of gameplay: R held, or tapped since the last step, restarts the game;
    // then as many steps as the clock requires, up to the frame's limit (past it a stall is
    // skipped); a replay watched fast runs 2 or 4 steps for each step due. Always false:
    // gameplay never ends the program.
    Engine* engine = game.platform.engine;
    const bool watching = app.shell.replays.watching;
    if (engine == nullptr || (!watching && reloadIfAsked())) return false;
    handleOverlayKeys(*engine);
    if (watching) handleWatchKeys();
    if (pauseFrame(*engine)) return false;
    // R restarts, ending the run (a recording keeps it); it does nothing to a replay. A
    // tap shorter than a frame is latched; the restart forgets the latches it saw.
    const bool restart =
        engine->Input_GetKeyState(keys::letterR) || engine->Input_KeyWentDown(keys::letterR);
    if (restart && !app.replay.playing) {
        endReplayRun();
        beginReplayRun();  // the next run is recorded for the records too
        newGame();
        engine->Input_ClearLatches();
    }
    for (int32_t due = 0; frameStepDue(due); ++due) {
        const double nextDue = stepDueTime(game.clock, game.clock.frameCounter + 1);
        const int32_t steps = stepsPerDueStep();
        for (int32_t k = 0; k < steps; ++k) {
            if (playbackFinished()) {
                if (app.shell.replays.watching) enterReplays();
                else if (app.replay.returnToSelection) enterShipSelection();
                return false;
            }
            // The step is timed only while the overlay shows the time.
            const bool timed = app.shell.overlay;
            const double started = timed ? engine->Timer_GetTicks() : 0.0;
            const bool stayed = gameplayStep();
            if (timed) noteOverlayStep(engine->Timer_GetTicks() - started);
            if (app.shell.afterGameplayStep != nullptr) app.shell.afterGameplayStep();
            if (!stayed || app.shell.paused) return false;  // the pad was unplugged: paused
        }
        settleFastForward(steps, nextDue);
    }
    return false;
}

bool gameplayStep() {
    static constexpr StepHooks app{&sampleStepInput, &showStatusLine, &exitTest,
                                   &pollJoystick,    nullptr,         &afterReplayStep};
    const bool stayed = runGameplayStep(app) == 0;
    passStepEvents();
    return stayed;
}

void pollJoystick() { pollPads(); }

void passStepEvents() {
    SoundState& sound = app.sound;
    if (sound.lockDevice != nullptr) sound.lockDevice();
    hearStepEvents();
    if (sound.unlockDevice != nullptr) sound.unlockDevice();
    rumbleOnHit();
    if (app.shell.afterStepEvents != nullptr) app.shell.afterStepEvents();
}
