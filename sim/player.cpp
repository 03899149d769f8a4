// The player ship: turning a ShipDef into the Player's model and weapon scripts, and the
// player's share of every gameplay step (movement, bomb, fire, power attack, timers).
#include "sim/sim.h"

#include "core/game_state.h"
#include "core/trig.h"
#include "defs/defs.h"
#include "script/script.h"
#include "core/numbers.h"

#include <array>
#include <cmath>

namespace {

// Pi and its fractions as single-precision constants.
using num::pi, num::halfPi, num::quarterPi, num::threeQuarterPi;

// Movement heading for each value of the direction bits (1 up, 2 right, 4 down, 8 left).
// Opposite directions do not cancel: down wins over up and right over left.
constexpr std::array<float, 16> directionAngles = {
    0.0f,            // none (the speed is 0 then)
    pi,              // up
    halfPi,          // right
    threeQuarterPi,  // up, right
    0.0f,            // down
    0.0f,            // up, down
    quarterPi,       // right, down
    halfPi,          // up, right, down
    -halfPi,         // left
    -threeQuarterPi, // up, left
    halfPi,          // right, left
    pi,              // up, right, left
    -quarterPi,      // down, left
    -halfPi,         // up, down, left
    0.0f,            // right, down, left
    0.0f,            // all four
};

// Distance squared below which the bomb reaches an Actor.
constexpr double bombReachSquared = 0.15;
// Steps the special timer is set to by a bomb and by a power attack.
constexpr float bombLockout = 300.0f;
constexpr float powerLockout = 600.0f;

// True when the held entry of the action array is set.
bool isHeld(Held entry) { return game.input.actionHeld[entry] != 0; }

// Moves the ship along the held directions; the slowdown and fire factors apply in turn.
void moveShip(Player& p) {
    const int bits = game.input.actionHeld[Held::directions] & 15;
    float moveSpeed = bits == 0 ? 0.0f : p.speed;
    if (isHeld(Held::slowdown)) moveSpeed *= 0.5f;
    if (isHeld(Held::fire)) moveSpeed *= 0.8f;
    const float heading = directionAngles[static_cast<size_t>(bits)];
    const SinCos h = sinCosF32(heading);
    p.x += h.s * moveSpeed;
    p.y += h.c * moveSpeed;
}

// The bomb: its effect script on every breakable hostile Actor near the ship (the Actors
// that exist now, from the last to the first), then its own script at the ship.
void dropBomb(int32_t playerIndex) {
    auto& actors = game.world.actors;
    int32_t reached = 0;
    for (auto i = static_cast<int64_t>(actors.size()) - 1; i >= 0; --i) {
        if (static_cast<size_t>(i) >= actors.size()) continue;
        const Player& p = game.world.players[static_cast<size_t>(playerIndex)];
        Actor& a = actors[static_cast<size_t>(i)];
        if (a.owner != 0 || (a.flag & flags::unbreakable) != 0) continue;
        const float dx = a.x - p.x;
        const float dy = a.y - p.y;
        if (static_cast<double>(dx * dx + dy * dy) < bombReachSquared) {
            runScriptIfAny(a, p.bombEffectScript, -1);
            ++reached;
        }
    }
    const Player& p = game.world.players[static_cast<size_t>(playerIndex)];
    game.events.add({StepEventKind::Bomb, -1, playerIndex, p.x, p.y, static_cast<float>(reached)});
    fireShipScript(p, p.bombScript, -1);
}

}  // namespace

void noteShot(const Player& player, int32_t type) {
    game.events.add({StepEventKind::ShotFired, -1, 0, player.x, player.y, static_cast<float>(type)});
}

void runScriptIfAny(Actor& running, int32_t script, int32_t context) {
    if (script < 0 || static_cast<size_t>(script) >= game.defs.scriptRegistry.size()) return;
    executeScript(running, script, context);
}

void fireShipScript(const Player& player, int32_t script, int32_t context) {
    Actor blank{};
    blank.x = player.x;
    blank.y = player.y;
    blank.angle = player.heading;
    runScriptIfAny(blank, script, context);
}

void assignShip(Player& player, int32_t shipIndex) {
    player.shipIndex = shipIndex;
    const auto& ships = game.defs.shipRegistry;
    if (shipIndex < 0 || static_cast<size_t>(shipIndex) >= ships.size()) {
        player.modelIndex = 0;
        player.shot1Script = 0;
        player.shot2Script = 0;
        player.bombEffectScript = 0;
        player.bombScript = 0;
        player.powerShotScript = 0;
        return;
    }
    const ShipDef& ship = ships[static_cast<size_t>(shipIndex)];
    player.modelIndex = findModel(ship.model);
    player.shot1Script = findScript(ship.shot1);
    player.shot2Script = findScript(ship.shot2);
    player.bombEffectScript = findScript(ship.bombeffect);
    player.bombScript = findScript(ship.bomb);
    player.powerShotScript = findScript(ship.powershot);
}

void playerStep() {
    auto& players = game.world.players;
    if (players.empty()) return;
    {
        Player& p = players[0];
        if (p.shotCooldown > 0.0f) p.shotCooldown -= 1.0f;
        if (p.specialTimer > 0.0f) p.specialTimer -= 1.0f;
    }
    if (players[0].disabledSteps == 0) {
        moveShip(players[0]);
        if (players[0].specialTimer == 0.0f && isHeld(Held::bomb)) {
            dropBomb(0);
            players[0].specialTimerFull = bombLockout;
            players[0].specialTimer = bombLockout;
        }
        if (players[0].shotCooldown == 0.0f && isHeld(Held::fire)) {
            const bool second = isHeld(Held::slowdown);
            noteShot(players[0], second ? 2 : 1);
            const Player& p = players[0];
            fireShipScript(p, second ? p.shot2Script : p.shot1Script, 0);
        }
        if (players[0].specialTimer + players[0].shotCooldown == 0.0f && isHeld(Held::power)) {
            game.events.add({StepEventKind::PowerAttack, -1, 0, players[0].x, players[0].y, 0});
            fireShipScript(players[0], players[0].powerShotScript, 0);
            players[0].specialTimerFull = powerLockout;
            players[0].specialTimer = powerLockout;
            players[0].shotCooldown = powerLockout;
        }
    }
    Player& p = players[0];
    if (p.x < 0.02f) p.x = 0.02f;
    if (p.y < 0.02f) p.y = 0.02f;
    if (p.x > 0.98f) p.x = 0.98f;
    if (p.y > 1.48f) p.y = 1.48f;
    if (p.invulnerableSteps > 0) p.invulnerableSteps -= 1;
    if (p.disabledSteps > 0) p.disabledSteps -= 1;
}
