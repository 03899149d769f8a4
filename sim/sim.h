// Simulation: Actor motion with the world geometry of Models, and collisions with damage.
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

// ---------------------------------------------------------------- motion.cpp

// One step of motion: deltas first, then the move along the heading.
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
// Where a model point (direction a, distance d) lies for an object at (x, y).
Point worldPoint(float x, float y, float turn, float scale, float a, float d);
// Smallest and largest world x and y over the Actor's model line ends (turn = angle).
Bounds modelBounds(const Actor& actor);

// ---------------------------------------------------------------- collide.cpp

// Squared distance from c to segment e1-e2 with the branch rule of the player test
// (playerRule true: both end tests, the second wins) or of the shot test.
float segmentDistanceSquared(Point e1, Point e2, float lengthSquared, Point c, bool playerRule);
// A hostile Actor's line against the player; lowers the Actor's graze.
bool lineHitsPlayer(Actor& hostile, const ModelLine& line, const Player& player);
// True when, provably, no line of the measured Model `model` carried by `hostile` can hit
// the player nor lower the Actor's graze: the full test would change nothing.
bool hostileClearOfPlayer(const Actor& hostile, const Model& model, const Player& player);
// What the far-away shot shortcut needs of a shot, worked out once per shot.
ShotReach shotReachOf(const Actor& shot, const Model& shotModel);
// What the far-away shot shortcut needs of a target, worked out once per listing.
TargetReach targetReachOf(const Actor& target, const Model& targetModel);
// True when, provably, no line of the shot can reach any hit circle of the target.
bool shotClearOf(const ShotReach& shot, const TargetReach& target);
// True when, provably, no line of the measured shot Model can reach any hit circle of the
// measured target Model: every lineHitsCircle between them would be false.
bool shotClearOfTarget(const Actor& shot, const Model& shotModel, const Actor& target,
                       const Model& targetModel);
// A shot's line against a target's hit circle.
bool lineHitsCircle(const Actor& shot, const ModelLine& line, const Actor& target,
                    const HitCircle& circle);
// The hittable Actor the shot at index `shot` hits (the last one in the list), or -1;
// counts the step's collision budget.
int32_t findShotTarget(int32_t shot);
// The collision pass: hostiles against the player, shots against hittable Actors.
void collideActors();
