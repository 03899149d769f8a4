// Touch: a finger on the picture steers the ship by its motion (the ship follows the
// finger's way as far as its speed allows, through the same direction bits a key gives,
// so a replay records what it did), a finger down fires during a run, and the on-screen
// buttons stand for their actions.
#include "input/input.h"

#include "core/game_state.h"

namespace {

// Direction bits, the same values as a joystick hat.
constexpr int32_t bitUp = 1, bitRight = 2, bitDown = 4, bitLeft = 8;

// The rest of one axis after the ship moved `moved` along it; a push the ship did not
// follow at all (a wall, a disabled ship) forgets it, so the finger's way back counts at once.
float axisRest(float rest, float moved, bool pushed) {
    if (pushed && moved == 0.0f) return 0.0f;
    return rest - moved;
}

}  // namespace

uint8_t touchButtonOf(Action action) {
    switch (action) {
    case Action::bomb: return touchbuttons::bomb;
    case Action::power: return touchbuttons::power;
    case Action::slowdown: return touchbuttons::slowdown;
    case Action::pause: return touchbuttons::pause;
    default: return 0;
    }
}

int32_t touchDirections(const TouchMotion& finger, bool slow, bool firing) {
    TouchSteering& t = game.input.touch;
    if (!finger.fingerDown || !t.plays || game.world.players.empty()) {
        t = TouchSteering{.plays = t.plays};
        return 0;
    }
    const Player& p = game.world.players[0];
    if (t.following) {
        t.restX = axisRest(t.restX, p.x - t.lastX, (t.lastDirections & (bitLeft | bitRight)) != 0);
        t.restY = axisRest(t.restY, p.y - t.lastY, (t.lastDirections & (bitUp | bitDown)) != 0);
    }
    t.restX += finger.dx / game.layout.pixelsPerUnitX;
    t.restY += finger.dy / game.layout.pixelsPerUnitY;
    // Half of the step the ship would take: a rest beyond it is nearer after the step.
    const float half = 0.5f * p.speed * (slow ? 0.5f : 1.0f) * (firing ? 0.8f : 1.0f);
    int32_t d = 0;
    if (t.restX > half) d |= bitRight;
    if (t.restX < -half) d |= bitLeft;
    if (t.restY > half) d |= bitDown;
    if (t.restY < -half) d |= bitUp;
    t.following = true;
    t.lastX = p.x;
    t.lastY = p.y;
    t.lastDirections = d;
    return d;
}
