// Actor motion: the per-step integration with its float roundings, model points in the
// world, model bounds, and the sine and cosine an Actor keeps of its heading.
#include "core/trig.h"
#include "sim/sim.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

TEST(Motion, StraightDownAddsSpeedAsFloats) {
    Actor a = rt::actorAt(0.5f, 0.2f, 0);
    a.speed = 0.01f;
    float y = 0.2f;
    for (int k = 0; k < 50; ++k) {
        advanceActor(a);
        y = y + 0.01f;
        ASSERT_EQ(a.y, y);
        ASSERT_EQ(a.x, 0.5f);
    }
}

TEST(Motion, QuarterTurnMovesRight) {
    Actor a = rt::actorAt(0.2f, 0.7f, 1.5707963705062866f);
    a.speed = 0.01f;
    float x = 0.2f;
    for (int k = 0; k < 20; ++k) {
        advanceActor(a);
        x = x + 0.01f;
        ASSERT_EQ(a.x, x);
        ASSERT_EQ(a.y, 0.7f);  // cos is about -4.37e-8: lost in the float sum
    }
    EXPECT_NEAR(std::cos(static_cast<double>(1.5707963705062866f)), -4.37e-8, 1e-9);
}

TEST(Motion, DeltasApplyBeforeTheMove) {
    Actor a = rt::actorAt(0.5f, 0.0f, 0);
    a.speed = 0;
    a.speeddelta = 0.001f;
    advanceActor(a);
    EXPECT_FLOAT_EQ(a.y, 0.001f);
    advanceActor(a);
    EXPECT_FLOAT_EQ(a.y, 0.003f);
    advanceActor(a);
    EXPECT_FLOAT_EQ(a.y, 0.006f);

    Actor b = rt::actorAt(0.5f, 0.5f, 0);
    b.rotatedelta = 0.3f;
    b.scaledelta = 0.5f;
    b.speed = 0.01f;
    advanceActor(b);
    EXPECT_FLOAT_EQ(b.rotate, 0.3f);
    EXPECT_FLOAT_EQ(b.scale, 1.5f);
    EXPECT_FLOAT_EQ(b.x, 0.5f);  // rotate leaves the path alone

    Actor c = rt::actorAt(0.5f, 0.5f, 0);
    c.andelta = 0.5f;
    c.speed = 0.1f;
    advanceActor(c);
    EXPECT_EQ(c.x, 0.5f + static_cast<float>(std::sin(0.5)) * 0.1f);
    EXPECT_EQ(c.y, 0.5f + static_cast<float>(std::cos(0.5)) * 0.1f);
}

TEST(Motion, TurningFliesACircle) {
    Actor a = rt::actorAt(0.5f, 0.5f, 0);
    a.speed = 0.005f;
    a.andelta = 0.05f;
    float lowX = 1, highX = 0;
    for (int k = 0; k < 126; ++k) {  // about one full turn
        advanceActor(a);
        lowX = std::min(lowX, a.x);
        highX = std::max(highX, a.x);
    }
    EXPECT_NEAR(highX - lowX, 2 * 0.005f / 0.05f, 0.01f);
    EXPECT_NEAR(a.x, 0.5f, 0.01f);
    EXPECT_NEAR(a.y, 0.5f, 0.01f);
}

TEST(Motion, WorldPointRoundsLikeTheGame) {
    Point p = worldPoint(0.5f, 0.5f, 0.25f, 2.0f, 0.5f, 0.1f);
    const float t = 0.25f + 0.5f;
    const float s = static_cast<float>(std::sin(static_cast<double>(t)));
    const float c = static_cast<float>(std::cos(static_cast<double>(t)));
    EXPECT_EQ(p.x, 0.5f + s * 0.1f * 2.0f);
    EXPECT_EQ(p.y, 0.5f + c * 0.1f * 2.0f);
    Point q = worldPoint(0.1f, 0.2f, 0, 1, 3.1415927f, 0.05f);
    EXPECT_NEAR(q.x, 0.1f, 1e-8);
    EXPECT_FLOAT_EQ(q.y, 0.15f);
}

TEST(Motion, BoundsOfAScaledLine) {
    resetGameState();
    int32_t model = rt::addModel({{0, 0.05f, 0, -0.05f}});
    Actor a = rt::actorAt(0.5f, 0.5f, 0);
    a.model = model;
    a.scale = 2;
    Bounds b = modelBounds(a);
    EXPECT_NEAR(b.minX, 0.5f, 1e-6);
    EXPECT_NEAR(b.maxX, 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(b.minY, 0.4f);
    EXPECT_FLOAT_EQ(b.maxY, 0.6f);
    a.rotate = 1.5f;  // bounds ignore rotate
    Bounds same = modelBounds(a);
    EXPECT_EQ(same.minY, b.minY);
    a.angle = 1.5707963705062866f;  // but follow the heading
    b = modelBounds(a);
    EXPECT_FLOAT_EQ(b.minX, 0.4f);
    EXPECT_FLOAT_EQ(b.maxX, 0.6f);
}

TEST(Motion, BoundsWithoutLinesAreTheStartValues) {
    resetGameState();
    game.defs.modelRegistry.push_back(Model{});
    Actor a = rt::actorAt(0.5f, 0.5f);
    for (int32_t model : {0, -1, 7}) {
        a.model = model;
        Bounds b = modelBounds(a);
        EXPECT_EQ(b.minX, 1.1f);
        EXPECT_EQ(b.minY, 1.6f);
        EXPECT_EQ(b.maxX, -0.1f);
        EXPECT_EQ(b.maxY, -0.1f);
    }
}

// The bits of a float, so that NaNs and signed zeros compare exactly.
static uint32_t bitsOf(float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The kept sine and cosine of the heading never go stale: headings set, turned, flipped
// in sign, made NaN or reset with the whole record always move the Actor exactly as
// fresh values from the long road would.
TEST(Motion, KeptHeadingSinCosMatchesAFreshOne) {
    Rng rng;
    rng.seed(31);
    Actor a = rt::actorAt(0.5f, 0.5f, 0);
    a.speed = 0.001f;
    for (int k = 0; k < 20000; ++k) {
        switch (rng.next() % 8) {
        case 0: a.angle = static_cast<float>(rng.next()) / 1000.0f - 16.0f; break;
        case 1: a.angle = -a.angle; break;  // includes +0 to -0
        case 2: a.andelta = rng.next() % 2 == 0 ? 0.0f : 0.01f; break;
        case 3:
            a = Actor{};
            a.speed = 0.001f;
            break;
        case 4: a.angle = std::nanf(""); break;
        case 5:
            a.x = 0.5f;
            a.y = 0.5f;
            break;
        default: break;
        }
        Actor fresh = a;
        advanceActor(a);
        // The same step with values from the long road.
        fresh.speed = fresh.speed + fresh.speeddelta;
        fresh.angle = fresh.angle + fresh.andelta;
        const SinCos h = sinCosPrecise(fresh.angle);
        const float x = fresh.x + h.s * fresh.speed;
        const float y = fresh.y + h.c * fresh.speed;
        ASSERT_EQ(bitsOf(a.x), bitsOf(x)) << k;
        ASSERT_EQ(bitsOf(a.y), bitsOf(y)) << k;
    }
}

// Headings measured a step ahead in batches move every Actor exactly as fresh long-road
// values would, while Actors are removed (the last moved into the gap), appended, or have
// their heading changed between the measuring and their turn.
TEST(Motion, HeadingsMeasuredAheadMatchFreshOnes) {
    Rng rng;
    rng.seed(77);
    std::vector<Actor> actors;
    auto randomAngle = [&] { return static_cast<float>(rng.next()) / 1000.0f - 16.0f; };
    for (int step = 0; step < 200; ++step) {
        while (actors.size() < 300) {
            Actor a = rt::actorAt(0.5f, 0.5f, randomAngle());
            a.speed = 0.001f;
            a.andelta = rng.next() % 3 == 0 ? 0.0f : 0.026f;
            actors.push_back(a);
        }
        HeadingQueue queue;
        for (size_t i = actors.size(); i-- > 0;) {
            if (i >= actors.size()) continue;
            if (rng.next() % 16 == 0) {  // removed: the last Actor takes its place
                actors[i] = actors.back();
                actors.pop_back();
                if (i >= actors.size()) continue;
            }
            queueNextHeading(queue, actors, i);
            if (rng.next() % 16 == 0) actors[rng.next() % actors.size()].angle = randomAngle();
        }
        measureQueuedHeadings(queue, actors);
        for (Actor& a : actors) {
            ASSERT_EQ(bitsOf(a.headingSinCos.s), bitsOf(sinCosPrecise(a.headingKey).s)) << step;
            Actor fresh = a;
            advanceActor(a);
            fresh.angle = fresh.angle + fresh.andelta;
            const SinCos h = sinCosPrecise(fresh.angle);
            ASSERT_EQ(bitsOf(a.x), bitsOf(fresh.x + h.s * fresh.speed)) << step;
            ASSERT_EQ(bitsOf(a.y), bitsOf(fresh.y + h.c * fresh.speed)) << step;
        }
    }
}
