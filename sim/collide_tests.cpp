// The two contact tests of the collision pass: a hostile line against the player's hit
// radius, and a shot's line against a target's hit circle, both through the squared
// distance from a point to a segment.
#include "sim/sim.h"

#include "app/game_state.h"

#include <cmath>

namespace {

// The segment of `line` as the Actor places it: both ends in world units and the squared
// length scaled with the Actor (the stored value itself at scale 1).
struct PlacedLine {
    Point e1, e2;
    float lengthSquared = 0;
};

// Where the Actor's model line lies, turned by angle + rotate.
PlacedLine placeLine(const Actor& owner, const ModelLine& line) {
    const float turn = owner.angle + owner.rotate;
    PlacedLine placed;
    placed.e1 = worldPoint(owner.x, owner.y, turn, owner.scale, line.angle1, line.radius1);
    placed.e2 = worldPoint(owner.x, owner.y, turn, owner.scale, line.angle2, line.radius2);
    placed.lengthSquared = owner.scale == 1.0f
                               ? line.lengthSquared
                               : line.lengthSquared * (owner.scale * owner.scale);
    return placed;
}

// A segment with no length (or a length that is not a number) has no defined distance:
// it takes part in no contact at all.
bool hasLength(float lengthSquared) { return lengthSquared > 0.0f; }

// Nearest integer, ties to even, kept inside the int32 range.
int32_t nearestInt(float v) {
    const double r = std::nearbyint(static_cast<double>(v));
    if (!(r < 2147483647.0)) return 2147483647;
    if (r < -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(r);
}

}  // namespace

// Squared distance from c to the segment e1-e2, every intermediate held as a float.
// The foot of the perpendicular beyond an end makes the distance that to the other end's
// side: the player test checks both ends (the second wins), the shot test the second end
// only when the first did not apply.
float segmentDistanceSquared(Point e1, Point e2, float lengthSquared, Point c, bool playerRule) {
    const float ax = c.x - e1.x;
    const float ay = c.y - e1.y;
    const float bx = c.x - e2.x;
    const float by = c.y - e2.y;
    const float d1 = ax * ax + ay * ay;
    const float d2 = bx * bx + by * by;
    const float k = ax * by - ay * bx;
    const float perp = k * k / lengthSquared;
    const float reach = lengthSquared + perp;
    float d = perp;
    if (playerRule) {
        if (d1 > reach) d = d2;
        if (d2 > reach) d = d1;
    } else if (d1 > reach) {
        d = d2;
    } else if (d2 > reach) {
        d = d1;
    }
    return d;
}

// A hostile Actor's line against the player's hit circle. While the player can be hit,
// the Actor's graze keeps the smallest distance measure seen.
bool lineHitsPlayer(Actor& hostile, const ModelLine& line, const Player& player) {
    const PlacedLine placed = placeLine(hostile, line);
    if (!hasLength(placed.lengthSquared)) return false;
    const float d = segmentDistanceSquared(placed.e1, placed.e2, placed.lengthSquared,
                                           Point{player.x, player.y}, true);
    if (player.invulnerableSteps == 0) {
        const float graze = static_cast<float>(hostile.graze);
        hostile.graze = nearestInt(d < graze ? d : graze);
    }
    return d < player.hitRadius * player.hitRadius;
}

// A shot's line against one hit circle of a target, placed with the target's turn and
// scale.
bool lineHitsCircle(const Actor& shot, const ModelLine& line, const Actor& target,
                    const HitCircle& circle) {
    const PlacedLine placed = placeLine(shot, line);
    if (!hasLength(placed.lengthSquared)) return false;
    const Point centre = worldPoint(target.x, target.y, target.angle + target.rotate,
                                    target.scale, circle.angle, circle.distance);
    const float r = circle.r * target.scale;
    const float d = segmentDistanceSquared(placed.e1, placed.e2, placed.lengthSquared, centre,
                                           false);
    return d < r * r;
}
