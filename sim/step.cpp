// One step of the simulation, in the order the game keeps: a gameplay step and a step of
// the demo behind ship selection, with the app's parts (input, status line, screen tests,
// joystick, replay checks) plugged in where they belong.
#include "sim/sim.h"

#include "actors/actors.h"
#include "core/game_state.h"
#include "script/script.h"

namespace {

// Steps each shot type is fired for before the demo switches to the other.
constexpr int32_t shotTypeSteps = 180;

// Runs an app phase that may be missing.
void run(void (*phase)()) {
    if (phase != nullptr) phase();
}

// Runs an app test that may be missing; 0 (go on) without one.
int32_t test(int32_t (*phase)()) { return phase != nullptr ? phase() : 0; }

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
    noteShot(p, secondType ? 2 : 1);
    fireShipScript(p, secondType ? p.shot2Script : p.shot1Script, 0);
}

// Hostile Actors may hit the demo ship, but it never stays disabled or invulnerable.
void keepShipReady() {
    if (game.world.players.empty()) return;
    Player& p = game.world.players[0];
    if (p.invulnerableSteps > 0) p.invulnerableSteps = 0;
    if (p.disabledSteps > 0) p.disabledSteps = 0;
}

}  // namespace

int32_t runGameplayStep(const StepHooks& app) {
    game.events.begin(game.clock.frameCounter);
    run(app.sampleInput);
    collideActors();
    updateActors();
    run(app.afterActorUpdate);
    moveStars();
    advanceStage();
    runEmitters();
    if (!game.world.players.empty()) growMultiplier(game.world.players[0]);
    if (const int32_t left = test(app.leaveTest); left != 0) return left;
    run(app.pollJoystick);
    playerStep();
    game.clock.frameCounter += 1;
    run(app.afterStep);
    return 0;
}

int32_t runDemoStep(const StepHooks& app) {
    game.events.begin(game.clock.frameCounter);
    if (game.clock.frameCounter == 0) startDemoScript();
    run(app.sampleInput);
    collideActors();
    updateActors();
    run(app.afterActorUpdate);
    runEmitters();
    if (const int32_t left = test(app.leaveTest); left != 0) return left;
    run(app.pollJoystick);
    if (const int32_t left = test(app.selectionTest); left != 0) return left;
    autoFire();
    keepShipReady();
    game.clock.frameCounter += 1;
    run(app.afterStep);
    return 0;
}
