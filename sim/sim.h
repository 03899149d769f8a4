// Simulation: the order of a step, the Actor update and motion with the world geometry of
// Models, collisions with damage, the player ship, and the stage (timeline, hold, stars).
#pragma once

#include "core/actor.h"
#include "core/records.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

struct Player;

// A point in world units (or pixels, for screen drawing).
struct Point {
    float x = 0, y = 0;
};

// What the far-away shot shortcut needs of a shot (world units, margins included).
struct ShotReach {
    bool usable = false;       // false: the shortcut never applies to this shot
    double x = 0, y = 0;       // the shot's position
    double sizeSum = 0;        // 1 + |x| + |y|: the shot's share of the rounding slack
    double reach = 0;          // farthest line end from the shot, x 1.001
    double longest = 0;        // longest squared line length, x 1.001
};

// Extent of an Actor's model line ends in world units.
struct Bounds {
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// The next step's headings of Actors just updated, waiting to be measured together: a
// batch of sines and cosines is quicker than one at a time, and gives the same floats.
struct HeadingQueue {
    static constexpr size_t capacity = 64;
    std::array<float, capacity> angles;       // headings after the next turn
    std::array<uint32_t, capacity> positions; // Actor list positions they were taken from
    size_t count = 0;
};

// The app's parts of a step, which the simulation runs at their places in the step's
// order; a missing one is skipped. A test returns 0 to go on; any other value ends the
// step there (frameCounter unchanged) and is what the step returns.
struct StepHooks {
    void (*sampleInput)() = nullptr;       // the step's input: keys, or a replay's bits
    void (*afterActorUpdate)() = nullptr;  // right after updateActors: the status line
    int32_t (*leaveTest)() = nullptr;      // the exit test (the demo: exit and key config)
    void (*pollJoystick)() = nullptr;      // the joystick update
    int32_t (*selectionTest)() = nullptr;  // the demo only: cursor moves and Fire
    void (*afterStep)() = nullptr;         // after frameCounter + 1: replay check values
};

// ---------------------------------------------------------------- step.cpp

// One gameplay step: the event list begun, input, collisions, the Actor update, stars,
// the stage timeline or boss hold, emitters, the multiplier, the exit test, joystick,
// the player's step, frameCounter + 1. 0, or the value of the test that ended it.
int32_t runGameplayStep(const StepHooks& app);
// One step of the selection screen's demo: the event list begun, the demo script on
// frame 0, input, collisions, the Actor update, emitters, the exit tests, joystick, the
// selection tests, the ship's own fire, frameCounter + 1. 0, or the ending test's value.
int32_t runDemoStep(const StepHooks& app);

// ---------------------------------------------------------------- actor_update.cpp

// The per-step Actor update, last Actor to first: motion, events, life periods, removal,
// grazes noted; it begins the step's script work budget, which the rest of the step shares.
void updateActors();

// ---------------------------------------------------------------- player.cpp

// Resolves ShipDef `shipIndex` into the Player's model and weapon scripts by their plain
// names; a name not found gives 0, and so does every one of an index that names no ship.
void assignShip(Player& player, int32_t shipIndex);
// The first Player's share of a gameplay step: timers, then (unless disabled) movement,
// bomb, fire and power attack, then the clamp to the playfield and the hit timers.
void playerStep();
// Notes in the step's events that the first Player fires shot `type` (1 or 2).
void noteShot(const Player& player, int32_t type);
// Runs Script `script` on `running` when the index names a Script; otherwise nothing.
void runScriptIfAny(Actor& running, int32_t script, int32_t context);
// Runs a ship script on a blank Actor placed at the ship and facing its heading.
void fireShipScript(const Player& player, int32_t script, int32_t context);

// ---------------------------------------------------------------- stage.cpp

// Moves every star down by its speed; a star past the bottom restarts at the top at a new
// random x and keeps its speed.
void moveStars();
// The stage timeline's step: the frame that is due (with its stage starts), or a step of
// the running hold, which ends its bosses when it reaches its length. Nothing runs once
// the level's length is reached.
void advanceStage();
// One step's growth of the player's score multiplier: x 1.0005 (the decimal) in double,
// rounded to float.
void growMultiplier(Player& player);
// The timeline frame the run stands at (steps from the start frame, less boss holds).
int64_t timelineFrame();
// The stage block (from 1, in load order) that timeline frame `frame` lies in: the last
// one whose first frame is at or before it; 0 before any.
int32_t stageAt(int64_t frame);
// Lays out the 160 background stars afresh: three random values per star, in order.
void layOutStars();

// ---------------------------------------------------------------- motion.cpp

// One step of motion: deltas first, then the move along the heading. Every result is
// stored as a float before the next line reads it.
void advanceActor(Actor& actor);
// Measures the queued headings and keeps them in the Actors at their positions.
void measureQueuedHeadings(HeadingQueue& queue, std::span<Actor> actors);

// Queues the heading Actor i will have after next step's turn (angle + andelta, the very
// sum advanceActor will make) unless its sine and cosine are kept already; a full queue
// is measured at once. Inline: it runs for every Actor every step.
inline void queueNextHeading(HeadingQueue& queue, std::span<Actor> actors, size_t i) {
    const Actor& a = actors[i];
    const float next = a.angle + a.andelta;
    if (std::bit_cast<uint32_t>(next) == std::bit_cast<uint32_t>(a.headingKey)) return;
    queue.angles[queue.count] = next;
    queue.positions[queue.count++] = static_cast<uint32_t>(i);
    if (queue.count == HeadingQueue::capacity) measureQueuedHeadings(queue, actors);
}
// Where a model point (direction a, distance d) lies for an object at (x, y) turned by
// `turn` and scaled by `scale`.
Point worldPoint(float x, float y, float turn, float scale, float a, float d);
// Smallest and largest world x and y over the Actor's model line ends (turn = angle).
Bounds modelBounds(const Actor& actor);

// ---------------------------------------------------------------- contact.cpp

// Squared distance from c to segment e1-e2 with the branch rule of the player test
// (playerRule true: both end tests, the second wins) or of the shot test.
float segmentDistanceSquared(Point e1, Point e2, float lengthSquared, Point c, bool playerRule);
// A hostile Actor's line against the player's hit circle. While the player can be hit,
// the Actor's graze keeps the smallest distance measure seen.
bool lineHitsPlayer(Actor& hostile, const ModelLine& line, const Player& player);
// True when, provably, no line of the measured Model `model` carried by `hostile` can hit
// the player nor lower the Actor's graze: the full test would change nothing.
bool hostileClearOfPlayer(const Actor& hostile, const Model& model, const Player& player);
// What the far-away shot shortcut needs of a shot. Beyond 1e6 (or with an unmeasured
// Model) the margins would not cover float rounding: the shortcut never applies.
ShotReach shotReachOf(const Actor& shot, const Model& shotModel);
// What the far-away shot shortcut needs of a target, worked out once per listing.
TargetReach targetReachOf(const Actor& target, const Model& targetModel);
// True when, provably, no line of the shot can reach any hit circle of the target.
bool shotClearOf(const ShotReach& shot, const TargetReach& target);
// True when, provably, no line of the measured shot Model can reach any hit circle of the
// measured target Model: every lineHitsCircle between them would be false.
bool shotClearOfTarget(const Actor& shot, const Model& shotModel, const Actor& target,
                       const Model& targetModel);
// A shot's line against one hit circle of a target, placed with the target's turn and
// scale.
bool lineHitsCircle(const Actor& shot, const ModelLine& line, const Actor& target,
                    const HitCircle& circle);

// ---------------------------------------------------------------- collide.cpp

// The hittable Actor the shot at index `shot` hits (the last one in the list), or -1;
// counts the step's collision budget.
int32_t findShotTarget(int32_t shot);
// The collision pass: hostiles against the player, shots against hittable Actors.
void collideActors();
