// The far-away shortcut of the hostile-line test against the full computation on random
// scenes: whenever it says "clear", every line of the full test misses and leaves the
// graze as it was.
#include "tests/runtime_helpers.h"

#include "core/game_state.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A random float in [lo, hi] from the test's own generator.
float uniform(Rng& rng, float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(rng.next()) / 32767.0f;
}

// A random Model of 1..6 lines with ends up to `size` from the origin, measured.
Model randomModel(Rng& rng, float size) {
    Model m;
    const int lines = 1 + rng.next() % 6;
    for (int k = 0; k < lines; ++k) {
        ModelLine l;
        l.x1 = uniform(rng, -size, size), l.y1 = uniform(rng, -size, size);
        l.x2 = uniform(rng, -size, size), l.y2 = uniform(rng, -size, size);
        l.angle1 = std::atan2(l.x1, l.y1), l.radius1 = std::sqrt(l.x1 * l.x1 + l.y1 * l.y1);
        l.angle2 = std::atan2(l.x2, l.y2), l.radius2 = std::sqrt(l.x2 * l.x2 + l.y2 * l.y2);
        l.lengthSquared = (l.x2 - l.x1) * (l.x2 - l.x1) + (l.y2 - l.y1) * (l.y2 - l.y1);
        m.lines.push_back(l);
    }
    measureModel(game.defs, m);
    return m;
}

// The full test over every line: whether any hits, and the graze it leaves.
bool fullTest(Actor& a, const Model& m, const Player& p) {
    bool hit = false;
    for (const ModelLine& line : m.lines) {
        if (lineHitsPlayer(a, line, p)) {
            hit = true;
            break;
        }
    }
    return hit;
}

TEST(CollideShortcut, ClearMeansTheFullTestChangesNothing) {
    Rng rng;
    rng.seed(4242);
    int clear = 0, notClear = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        // Sizes and distances from bullets to bosses, near the ship and far from it.
        const float size = trial % 3 == 0 ? 0.2f : 0.01f;
        const Model m = randomModel(rng, size);
        Player p;
        p.x = uniform(rng, 0, 1), p.y = uniform(rng, 0, 1.5f);
        p.hitRadius = uniform(rng, 0, 0.05f);
        Actor a;
        const float spread = trial % 2 == 0 ? 0.1f : 1.5f;
        a.x = p.x + uniform(rng, -spread, spread), a.y = p.y + uniform(rng, -spread, spread);
        a.angle = uniform(rng, -7, 7), a.rotate = uniform(rng, -7, 7);
        a.scale = trial % 5 == 0 ? uniform(rng, -3, 3) : 1.0f;
        const int g = rng.next() % 4;
        const float dx = a.x - p.x, dy = a.y - p.y;
        // Often the graze the Actor would have from a step ago: the measure, rounded.
        a.graze = g == 0 ? 9000 : g == 1 ? static_cast<int32_t>(std::lround(dx * dx + dy * dy))
                                         : rng.next() % 4;
        const bool shortcut = hostileClearOfPlayer(a, m, p);
        Actor full = a;
        const bool hit = fullTest(full, m, p);
        if (shortcut) {
            ++clear;
            ASSERT_FALSE(hit) << "trial " << trial;
            ASSERT_EQ(full.graze, a.graze) << "trial " << trial;
        } else {
            ++notClear;
        }
    }
    // Both answers occur often, so the comparison means something.
    EXPECT_GT(clear, 20000);
    EXPECT_GT(notClear, 20000);
}

// A random measured Model of 1..3 hit circles within `size` of the origin.
Model randomTarget(Rng& rng, float size) {
    Model m;
    const int circles = 1 + rng.next() % 3;
    for (int k = 0; k < circles; ++k) {
        HitCircle c;
        c.x = uniform(rng, -size, size), c.y = uniform(rng, -size, size);
        c.r = uniform(rng, 0.001f, size);
        c.angle = std::atan2(c.x, c.y), c.distance = std::sqrt(c.x * c.x + c.y * c.y);
        m.circles.push_back(c);
    }
    measureModel(game.defs, m);
    return m;
}

TEST(CollideShortcut, ClearShotMeansNoCircleIsHit) {
    Rng rng;
    rng.seed(99);
    int clear = 0, notClear = 0;
    for (int trial = 0; trial < 100000; ++trial) {
        const Model shotModel = randomModel(rng, trial % 4 == 0 ? 0.1f : 0.012f);
        const Model targetModel = randomTarget(rng, trial % 3 == 0 ? 0.08f : 0.02f);
        Actor target;
        target.x = uniform(rng, 0, 1), target.y = uniform(rng, 0, 1.5f);
        target.angle = uniform(rng, -7, 7), target.rotate = uniform(rng, -7, 7);
        target.scale = trial % 5 == 0 ? uniform(rng, -3, 3) : 1.0f;
        Actor shot;
        const float spread = trial % 2 == 0 ? 0.08f : 0.6f;
        shot.x = target.x + uniform(rng, -spread, spread);
        shot.y = target.y + uniform(rng, -spread, spread);
        shot.angle = uniform(rng, -7, 7), shot.rotate = uniform(rng, -7, 7);
        shot.scale = trial % 7 == 0 ? uniform(rng, -2, 2) : 1.0f;
        bool hit = false;
        for (const HitCircle& circle : targetModel.circles) {
            for (const ModelLine& line : shotModel.lines)
                hit = hit || lineHitsCircle(shot, line, target, circle);
        }
        if (shotClearOfTarget(shot, shotModel, target, targetModel)) {
            ++clear;
            ASSERT_FALSE(hit) << "trial " << trial;
        } else {
            ++notClear;
        }
    }
    EXPECT_GT(clear, 10000);
    EXPECT_GT(notClear, 10000);
}

TEST(CollideShortcut, NeverClearWhenUnmeasuredOrNotFinite) {
    Rng rng;
    rng.seed(7);
    Model m = randomModel(rng, 0.01f);
    Player p;
    p.x = 0.5f, p.y = 1.0f, p.hitRadius = 0.01f;
    Actor a = rt::actorAt(0.5f, 0.1f);
    a.graze = 0;
    EXPECT_TRUE(hostileClearOfPlayer(a, m, p));
    Model unmeasured = m;
    unmeasured.lineReach = -1;
    EXPECT_FALSE(hostileClearOfPlayer(a, unmeasured, p));
    Actor bad = a;
    bad.x = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(hostileClearOfPlayer(bad, m, p));
    bad = a;
    bad.scale = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(hostileClearOfPlayer(bad, m, p));
    bad = a;
    bad.graze = (1 << 24) + 1;
    EXPECT_FALSE(hostileClearOfPlayer(bad, m, p));
    // A graze the Actor could still lower is never skipped over.
    bad = a;
    bad.graze = 9000;
    EXPECT_FALSE(hostileClearOfPlayer(bad, m, p));
}

TEST(CollideShortcut, LoaderMeasuresModels) {
    resetGameState();
    Rng rng;
    rng.seed(9);
    Model m = randomModel(rng, 0.05f);
    float reach = 0, longest = 0;
    for (const ModelLine& l : m.lines) {
        reach = std::max({reach, std::fabs(l.radius1), std::fabs(l.radius2)});
        longest = std::max(longest, l.lengthSquared);
    }
    EXPECT_EQ(m.lineReach, reach);
    EXPECT_EQ(m.longestLineSquared, longest);
    Model t = randomTarget(rng, 0.05f);
    t.circles.push_back({0, 0, std::numeric_limits<float>::quiet_NaN(), 0, 0});
    measureModel(game.defs, t);
    Actor near = rt::actorAt(0.5f, 0.5f), far = rt::actorAt(0.5f, 1.2f);
    EXPECT_FALSE(shotClearOfTarget(far, m, near, t));
    m.lineReach = -1;
    appendModel(game.defs, m);
    EXPECT_EQ(game.defs.modelRegistry.back().lineReach, reach);
    resetGameState();
}

}  // namespace
