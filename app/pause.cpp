// Pausing a run: P, Pause, or a key or button bound to the pause action (a pad's Start)
// toggles it (the frame in which one goes down runs no step), and so does losing the
// window's focus; unplugging the pad pauses it too (app/pads.cpp).
// While paused no step runs and only Escape acts; on resume the step clock moves on by
// the paused time, so no catch-up burst follows. A stall (the process stopped) is
// skipped the same way once a display frame has run its few steps.
#include "app/app.h"

#include "core/game_state.h"
#include "input/input.h"
#include "platform/platform.h"

bool pauseKeyDown(Engine& engine) {
    const int key = engine.Input_GetKey();
    return engine.Input_GetKeyState(keys::letterP) || engine.Input_GetKeyState(keys::pause) ||
           key == keys::letterP || key == keys::pause || actionActive(Action::pause);
}

bool pauseFrame(Engine& engine) {
    Shell& s = app.shell;
    const bool down = pauseKeyDown(engine);
    const bool pressed = down && !s.pauseKeyWasDown;
    s.pauseKeyWasDown = down;
    const bool focusLost = engine.System_FocusLost();
    const float now = engine.Timer_GetTime();
    if (!s.paused) {
        if (!pressed && !focusLost) return false;
        pauseRun();
        return true;
    }
    if (pressed) {
        game.clock.clockStart += now - s.pausedAt;
        s.paused = false;
        s.padNote.clear();  // "disconnected" or "Start or P resumes": said
        pauseSound(false);
        return true;
    }
    pollPads();
    readInput();
    if (game.input.actionEdge[Held::exit] == edge::pressed) leaveRun();
    return true;
}

void pauseRun() {
    Shell& s = app.shell;
    s.paused = true;
    s.pausedAt = game.platform.engine != nullptr ? game.platform.engine->Timer_GetTime() : 0.0f;
    pauseSound(true);
}

bool frameStepDue(int32_t stepsRun) {
    if (!stepDue()) return false;
    const int32_t limit = app.shell.frameStepLimit;
    if (limit <= 0 || stepsRun < limit) return true;
    Clock& clock = game.clock;
    const double now = game.platform.engine->Timer_GetTime();
    clock.clockStart = static_cast<float>(
        now - static_cast<double>(clock.frameCounter) * static_cast<double>(clock.stepLength));
    return false;
}
