// The two contact tests of the collision pass: a hostile line against the player's hit
// radius, and a shot's line against a target's hit circle, both through the squared
// distance from a point to a segment.
#include "sim/sim.h"

#include "core/game_state.h"

#include <cmath>
#include <initializer_list>

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

// Largest coordinate or scale the far-away shortcuts take: beyond it their margins would
// not cover float rounding, and the full test decides.
constexpr double largestPlacement = 1e6;

// True when every value lies within largestPlacement (NaN never does).
bool withinShortcutRange(std::initializer_list<double> values) {
    for (double v : values)
        if (!(std::fabs(v) < largestPlacement)) return false;
    return true;
}

}  // namespace

float segmentDistanceSquared(Point e1, Point e2, float lengthSquared, Point c, bool playerRule) {
    // Squared distance from c to the segment e1-e2, every intermediate held as a float. The
    // foot of the perpendicular beyond an end makes the distance that to the other end's
    // side: the player test checks both ends (the second wins), the shot test the second
    // end only when the first did not apply.
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

bool hostileClearOfPlayer(const Actor& hostile, const Model& model, const Player& player) {
    // The far-away shortcut of the player test. Every line end lies within R = reach x
    // |scale| of the Actor (plus float rounding, covered by the margins). The measure d the
    // full test takes is perp, d1 or d2; perp is only taken when d1 and d2 are at most L +
    // perp, so in every case d >= min(d1, d2) - L, and both end distances are at least (s -
    // R)^2 for a ship s away. When that lower bound is above graze - 0.5 (the graze held
    // exactly as a float: a smaller d still rounds back to the graze) and at least the
    // squared hit radius, the full test neither hits nor changes the graze.
    if (!(model.lineReach >= 0.0f)) return false;
    constexpr int32_t exactGraze = 1 << 24;
    const double ax = hostile.x, ay = hostile.y, px = player.x, py = player.y;
    const double scale = std::fabs(static_cast<double>(hostile.scale));
    if (!withinShortcutRange({ax, ay, px, py, scale})) return false;
    if (hostile.graze > exactGraze || hostile.graze < -exactGraze) return false;
    const double slack = 1e-6 * (1.0 + std::fabs(ax) + std::fabs(ay) + std::fabs(px) + std::fabs(py));
    const double reach = static_cast<double>(model.lineReach) * scale * 1.001 + slack;
    const double s = std::sqrt((px - ax) * (px - ax) + (py - ay) * (py - ay));
    if (!(s > reach)) return false;
    const double longest = static_cast<double>(model.longestLineSquared) * scale * scale;
    const double lower = (s - reach) * (s - reach) * (1.0 - 1e-5) - longest * 1.001 - 1e-12;
    const float hitSquared = player.hitRadius * player.hitRadius;
    return lower > static_cast<double>(hostile.graze) - 0.5 &&
           lower >= static_cast<double>(hitSquared);
}

ShotReach shotReachOf(const Actor& shot, const Model& shotModel) {
    ShotReach r;
    r.x = shot.x;
    r.y = shot.y;
    const double scale = std::fabs(static_cast<double>(shot.scale));
    r.usable = shotModel.lineReach >= 0.0f && withinShortcutRange({r.x, r.y, scale});
    r.sizeSum = 1.0 + std::fabs(r.x) + std::fabs(r.y);
    r.reach = static_cast<double>(shotModel.lineReach) * scale * 1.001;
    const double longest = static_cast<double>(shotModel.longestLineSquared) * scale * scale;
    r.longest = longest * 1.001;
    return r;
}

TargetReach targetReachOf(const Actor& target, const Model& targetModel) {
    TargetReach r;
    r.x = target.x;
    r.y = target.y;
    const double scale = std::fabs(static_cast<double>(target.scale));
    r.usable = withinShortcutRange({r.x, r.y, scale, targetModel.circleCentreReach,
                                    targetModel.circleRadiusMax});
    r.reach = static_cast<double>(targetModel.circleCentreReach) * scale * 1.001;
    const double radius = static_cast<double>(targetModel.circleRadiusMax) * scale * 1.001;
    r.radiusSquared = radius * radius;
    return r;
}

bool shotClearOf(const ShotReach& shot, const TargetReach& target) {
    // The far-away shortcut of the shot test, by the same bound: the measure d is at least
    // min(d1, d2) - L, each end of the shot lies within R of the shot and each circle
    // centre within C of the target, so d >= (s - R - C)^2 - L for Actors s apart; at least
    // the largest squared circle radius, no circle is hit.
    if (!shot.usable || !target.usable) return false;
    const double slack = 1e-6 * (shot.sizeSum + std::fabs(target.x) + std::fabs(target.y));
    const double reach = shot.reach + target.reach + slack;
    const double dx = target.x - shot.x;
    const double dy = target.y - shot.y;
    const double s = std::sqrt(dx * dx + dy * dy);
    if (!(s > reach)) return false;
    const double lower = (s - reach) * (s - reach) * (1.0 - 1e-5) - shot.longest - 1e-12;
    return lower >= target.radiusSquared;
}

bool shotClearOfTarget(const Actor& shot, const Model& shotModel, const Actor& target,
                       const Model& targetModel) {
    return shotClearOf(shotReachOf(shot, shotModel), targetReachOf(target, targetModel));
}

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
