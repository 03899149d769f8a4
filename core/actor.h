// The Actor and Emitter records: everything on the playfield but the player ships, and
// the pending patterns that release Actors. Also the collision pass's list of targets.
#pragma once

#include "core/trig.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The events an Actor reacts to; each code is the index of its slot in Actor::events.
enum class EventCode : uint8_t {
    onevery = 0, ontime = 1, onleft = 2, onright = 3, ontop = 4, onbottom = 5, ondie = 6,
    ontimes = 7, onspawn = 8, ontrigger = 9, onsamex = 10, onsamey = 11, onfleft = 12,
    onfright = 13, onftop = 14, onfbottom = 15, onbossdie = 16, onbosstimeout = 17,
    onhit = 18,
};
// Codes in use; slots 19..31 of Actor::events exist and never fire.
constexpr int eventCodeCount = 19;

// The position of an event's slot in Actor::events.
constexpr size_t slotOf(EventCode code) { return static_cast<size_t>(code); }

// Bits of Actor::flag.
namespace flags {
constexpr int32_t hittable = 1, unbreakable = 2, noheat = 4, nohitanim = 8, piercing = 16;
}

// Everything on the playfield but the player ships. Plain value, copied whole.
// Floats are world units, radians and per-step rates; ints are signed 32-bit.
struct Actor {
    float x = 0, y = 0;          // position: x 0..1 left to right, y 0..1.5 top to bottom
    float angle = 0;             // heading, radians; 0 moves down (+y), pi/2 right
    float speed = 0;             // world units per step
    float andelta = 0;           // added to angle every step
    float hp = 0;                // dies when a hit leaves <= 0.0001
    float maxhp = 0;             // hp at emission
    float scale = 0;             // model size factor
    float rotate = 0;            // extra model turn, radians
    float hitrate = 0;           // damage factor
    float scaledelta = 0;        // added to scale every step
    float rotatedelta = 0;       // added to rotate every step
    float speeddelta = 0;        // added to speed every step
    int32_t model = 0;           // index into modelRegistry
    int32_t owner = 0;           // 0 hostile, 1 player shot, other: no collisions
    int32_t id = 0;              // trigger group
    int32_t player = 0;          // player index the Actor belongs to
    int32_t flag = 0;            // bits of `flags`
    int32_t graze = 0;           // smallest distance measure to the ship, rounded
    int32_t boss = 0;            // 1-based boss bar, 0 none
    int32_t samex = 0;           // 1 while x < first player's x
    int32_t samey = 0;           // 1 while y < first player's y
    int32_t life = 0;            // steps left in this life period
    int32_t repeat = 0;          // life periods left, this one included
    int32_t rlife = 0;           // life reloaded for each new period
    std::array<int32_t, 32> events{};  // script index per event code; 1 clears instead
    // Sine and cosine of the heading `headingKey` (compared bit for bit), kept so that a
    // heading that stays the same is not measured again every step; a turning Actor's next
    // heading is measured ahead, with other Actors' (sim.h, HeadingQueue). Not game state:
    // every Actor, however made or copied, holds a pair that matches its key.
    float headingKey = 0;
    SinCos headingSinCos{0.0f, 1.0f};
};

// The values one quantity takes across the Actors of an Emitter.
struct SpawnRange {
    float start = 0;
    float end = 0;
    float mode = 0;              // 0/1 linear, 2..7 random kinds (evalRange)
    float step = 0;              // per-Actor increment of the linear modes
};

// A pending pattern: a template Actor plus ranges and cycle counters.
struct Emitter {
    Actor templateActor;         // "template": model, owner, id, player, flag, boss, events
    SpawnRange x, y;
    SpawnRange startAngle, endAngle;  // radians
    SpawnRange andelta, scale, rotate, scaledelta, rotatedelta, speed, hp, life, repeat,
        speeddelta, hitrate;
    int32_t wait = 0;            // steps still to skip before the next cycle
    int32_t time = 1;            // steps per cycle (>= 1)
    int32_t delay = 0;           // wait loaded after each cycle but the last
    int32_t times = 1;           // cycles left; <= 0 repeats without end
    int32_t count = 1;           // Actors per cycle
    int32_t emitted = 0;         // Actors emitted so far in this cycle
    int32_t perframe = 0;        // Actors every step of a cycle
    int32_t remainder = 0;       // leftover Actors spread over the cycle
    int32_t frame = 0;           // steps run so far in this cycle
    int32_t order = 0;           // fan mode between start and end angle
    int32_t attached = -1;       // bound Actor index, -1 none
    int32_t ans = 1;             // levels of the stepped random modes
    // Chain of the Emitters bound to the same Actor (see EmitterLinks), -1 at the ends.
    int32_t nextBound = -1, previousBound = -1;
};

// What the far-away shot shortcut needs of a target (world units, margins included).
struct TargetReach {
    bool usable = false;       // false: the shortcut never applies to this target
    double x = 0, y = 0;       // the target's position
    double reach = 0;          // farthest hit circle centre from the target, x 1.001
    double radiusSquared = 0;  // (largest hit circle radius x 1.001)^2
};

// An Actor a shot can hit, as the collision pass lists it.
struct ShotTarget {
    int32_t index = 0;         // position in the Actor list
    int64_t circles = 0;       // hit circles of its Model (at least 1)
    TargetReach reach;
};
