// The demo behind the ship selection screen: the ship under the cursor fires on its own
// while the "demo" script plays, on the same fixed-step clock as gameplay.
#include "app/app.h"

#include "actors/actors.h"
#include "app/game_state.h"
#include "input/input.h"
#include "script/script.h"
#include "sim/sim.h"

namespace {

// Steps each shot type is fired for before the demo switches to the other.
constexpr int32_t shotTypeSteps = 180;

// Starts the "demo" script on a blank Actor at (0, 0); a level set without one shows
// only the firing ship.
void startDemoScript() {
    Actor origin{};
    runNamedScript(origin, "demo");
}

// The demo ship fires by itself: shot 1 for 180 steps, then shot 2 for 180, and so on,
// at the rate the scripts' own reload commands set.
void autoFire() {
    if (game.world.players.empty()) return;
    Player& p = game.world.players[0];
    if (p.shotCooldown > 0.0f) p.shotCooldown -= 1.0f;
    if (p.shotCooldown != 0.0f) return;
    const bool secondType = (game.clock.frameCounter / shotTypeSteps) % 2 != 0;
    fireShipScript(p, secondType ? p.shot2Script : p.shot1Script, 0);
}

// Hostile Actors may hit the demo ship, but it never stays disabled or invulnerable.
void keepShipReady() {
    if (game.world.players.empty()) return;
    Player& p = game.world.players[0];
    if (p.invulnerableSteps > 0) p.invulnerableSteps = 0;
    if (p.disabledSteps > 0) p.disabledSteps = 0;
}

// One demo step with the selection tests. Returns the outcome of those tests.
SelectionOutcome demoStep() {
    if (game.clock.frameCounter == 0) startDemoScript();
    readInput();
    collideActors();
    updateActors();
    runEmitters();
    const SelectionOutcome leave = selectionExitAndConfig();
    if (leave != SelectionOutcome::Continue) return leave;
    if (game.shell.joystickOpen && game.shell.joystick != nullptr) game.shell.joystick->update();
    if (selectionCursorAndFire() != SelectionOutcome::Continue) return SelectionOutcome::LeftScreen;
    autoFire();
    keepShipReady();
    game.clock.frameCounter += 1;
    return SelectionOutcome::Continue;
}

}  // namespace

// Frame function of the ship selection screen: the demo's catch-up loop. True only when
// the exit action ends the program.
bool shipSelectionFrame() {
    while (stepDue()) {
        switch (demoStep()) {
        case SelectionOutcome::Continue: break;
        case SelectionOutcome::EndProgram: return true;
        case SelectionOutcome::LeftScreen: return false;
        }
    }
    return false;
}
