// The emitter pass: range evaluation in every mode, batch sizes, waits and cycles, fans
// and rings, random draws, onspawn, binding, and the cap on the Actor list.
#include "actors/actors.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using rt::makeParam;
using rt::rad;

// Runs spawn from `origin` with the pairs (context -1 unless given).
void spawnPairs(const Actor& origin, std::initializer_list<rt::Pair> pairs, int32_t context = -1) {
    std::vector<SpawnParam> params;
    for (const auto& p : pairs) params.push_back(makeParam(p.first, p.second));
    spawnCommand(origin, params, context);
}

// The timeline-like origin at (0, 0), heading 0.
Actor zeroOrigin() {
    Actor a;
    a.scale = 1;
    a.repeat = 1;
    return a;
}

// Runs passes and returns how many Actors each pass appended.
std::vector<size_t> batches(int passes) {
    std::vector<size_t> sizes;
    for (int k = 0; k < passes; ++k) {
        size_t before = game.world.actors.size();
        runEmitters();
        sizes.push_back(game.world.actors.size() - before);
    }
    return sizes;
}

// The headings of all Actors, in degrees.
std::vector<float> headingsInDegrees() {
    std::vector<float> out;
    for (const Actor& a : game.world.actors)
        out.push_back(static_cast<float>(a.angle * 180.0 / 3.1415927f));
    return out;
}

}  // namespace

TEST(EvalRange, LinearAndSharedRandomModes) {
    SpawnRange r{1, 5, 0, 0.5f};
    EXPECT_FLOAT_EQ(evalRange(r, 0.3f, 2, 1), 2.0f);
    r.mode = 1;
    EXPECT_FLOAT_EQ(evalRange(r, 0.3f, 4, 1), 3.0f);
    r.mode = -0.05f;  // still within 0.6 of 0.5
    EXPECT_FLOAT_EQ(evalRange(r, 0.3f, 1, 1), 1.5f);
    r.mode = 2;
    EXPECT_FLOAT_EQ(evalRange(r, 0.25f, 9, 1), 2.0f);
    r.mode = 4;  // n + 1 levels: start, ..., end, and one beyond for r = 1
    EXPECT_FLOAT_EQ(evalRange(r, 0.4f, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(evalRange(r, 0.6f, 0, 1), 5.0f);
    EXPECT_FLOAT_EQ(evalRange(r, 1.0f, 0, 1), 9.0f);
    EXPECT_FLOAT_EQ(evalRange(r, 0.5f, 0, 4), 3.0f);
    r.mode = 6;  // n levels, end excluded except for r = 1
    EXPECT_FLOAT_EQ(evalRange(r, 0.99f, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(evalRange(r, 1.0f, 0, 1), 5.0f);
    EXPECT_FLOAT_EQ(evalRange(r, 0.5f, 0, 4), 3.0f);
    EXPECT_FLOAT_EQ(evalRange(r, 0.6f, 0, 0), 1.0f);  // n below 1 counts as 1
    for (float m : {1.5f, 2.15f, 7.2f, 8.0f, -0.2f}) {
        r.mode = m;
        EXPECT_FLOAT_EQ(evalRange(r, 0.5f, 1, 1), 0.0f) << m;
    }
}

TEST(EvalRange, OwnRandomModesDrawFresh) {
    resetGameState();
    game.rng.seed(77);
    Rng twin = game.rng;
    SpawnRange r{2, 6, 3, 0};
    float q = static_cast<float>(twin.next());
    EXPECT_FLOAT_EQ(evalRange(r, 0.0f, 0, 1), 2 + q * 4 / 32767.0f);
    r.mode = 5;
    float u = static_cast<float>(twin.next()) / 32767.0f;
    EXPECT_FLOAT_EQ(evalRange(r, 0.0f, 0, 3), 2 + std::floor(u * 4) / 3 * 4);
    r.mode = 7;
    u = static_cast<float>(twin.next()) / 32767.0f;
    EXPECT_FLOAT_EQ(evalRange(r, 0.0f, 0, 3), 2 + std::floor(u * 3) / 3 * 4);
    r.mode = 2;  // shared modes draw nothing
    evalRange(r, 0.5f, 0, 1);
    EXPECT_EQ(game.rng.next(), twin.next());
}

TEST(Emitters, SpawnWithoutParametersEmitsInTheSamePass) {
    resetGameState();
    rt::addPlayer(0.5f, 0.1f);
    Actor origin = rt::actorAt(0.3f, 0.2f, 1.5707963705062866f);
    origin.owner = 1;
    origin.player = 0;
    spawnPairs(origin, {});
    runEmitters();
    ASSERT_EQ(game.world.actors.size(), 1u);
    EXPECT_TRUE(game.world.emitters.empty());
    const Actor& a = game.world.actors[0];
    EXPECT_FLOAT_EQ(a.x, 0.3f);
    EXPECT_FLOAT_EQ(a.y, 0.2f);
    EXPECT_EQ(a.angle, 1.5707963705062866f);
    EXPECT_FLOAT_EQ(a.speed, 0);
    EXPECT_FLOAT_EQ(a.scale, 1);
    EXPECT_FLOAT_EQ(a.hp, 1);
    EXPECT_FLOAT_EQ(a.maxhp, 1);
    EXPECT_FLOAT_EQ(a.hitrate, 1);
    EXPECT_EQ(a.life, 3600);
    EXPECT_EQ(a.rlife, 3600);
    EXPECT_EQ(a.repeat, 1);
    EXPECT_EQ(a.model, 1);
    EXPECT_EQ(a.owner, 1);
    EXPECT_EQ(a.graze, 9000);
    EXPECT_EQ(a.samex, 1);  // 0.5 - 0.3 > 0
    EXPECT_EQ(a.samey, 0);  // 0.1 - 0.2 < 0
}

TEST(Emitters, BatchSizesSpreadTheRemainder) {
    resetGameState();
    spawnPairs(zeroOrigin(), {{"count", "7"}, {"time", "3"}, {"s_fx", "0"}, {"e_fx", "6"}});
    EXPECT_EQ(batches(3), (std::vector<size_t>{2, 2, 3}));
    ASSERT_EQ(game.world.actors.size(), 7u);
    for (size_t k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(game.world.actors[k].x, static_cast<float>(k));
    EXPECT_TRUE(game.world.emitters.empty());

    resetGameState();
    spawnPairs(zeroOrigin(), {{"count", "3"}, {"time", "5"}});
    EXPECT_EQ(batches(6), (std::vector<size_t>{0, 1, 0, 1, 1, 0}));
}

TEST(Emitters, WaitSkipsPasses) {
    resetGameState();
    spawnPairs(zeroOrigin(), {{"wait", "2"}});
    EXPECT_EQ(batches(3), (std::vector<size_t>{0, 0, 1}));
}

TEST(Emitters, FanSweepsOverTheCycle) {
    resetGameState();
    spawnPairs(zeroOrigin(), {{"count", "3"}, {"time", "3"}, {"san", "-20"}, {"ean", "20"}});
    EXPECT_EQ(batches(3), (std::vector<size_t>{1, 1, 1}));
    auto h = headingsInDegrees();
    ASSERT_EQ(h.size(), 3u);
    EXPECT_NEAR(h[0], -20, 1e-4);
    EXPECT_NEAR(h[1], 0, 1e-4);
    EXPECT_NEAR(h[2], 20, 1e-4);

    resetGameState();
    spawnPairs(zeroOrigin(), {{"count", "5"}, {"san", "-30"}, {"ean", "30"}});
    runEmitters();
    h = headingsInDegrees();
    std::vector<float> want = {-30, -15, 0, 15, 30};
    for (size_t k = 0; k < 5; ++k) EXPECT_NEAR(h[k], want[k], 1e-4);
}

TEST(Emitters, RingsWithOrderOneAndZero) {
    resetGameState();
    spawnPairs(zeroOrigin(), {{"count", "8"}, {"sfan", "0"}, {"efan", "360"}, {"order", "1"}});
    runEmitters();
    auto h = headingsInDegrees();
    ASSERT_EQ(h.size(), 8u);
    for (size_t k = 0; k < 8; ++k) EXPECT_NEAR(h[k], 45.0f * static_cast<float>(k), 1e-3);

    resetGameState();
    spawnPairs(zeroOrigin(), {{"count", "8"}, {"sfan", "0"}, {"efan", "360"}});
    runEmitters();
    h = headingsInDegrees();
    for (size_t k = 0; k < 8; ++k) EXPECT_NEAR(h[k], 360.0f / 7 * static_cast<float>(k), 1e-3);
    EXPECT_NEAR(h[7], 360, 1e-3);  // first and last coincide

    resetGameState();  // both fan ends move together: each Actor at its own index's angle
    spawnPairs(zeroOrigin(), {{"count", "8"}, {"s_fan", "0"}, {"e_fan", "360"}});
    runEmitters();
    h = headingsInDegrees();
    for (size_t k = 0; k < 8; ++k) EXPECT_NEAR(h[k], 360.0f / 7 * static_cast<float>(k), 1e-3);
}

TEST(Emitters, CyclesWithDelayRestartTheFan) {
    resetGameState();
    spawnPairs(zeroOrigin(), {{"count", "2"}, {"time", "2"}, {"times", "2"}, {"delay", "10"},
                              {"s_fx", "0"}, {"e_fx", "1"}});
    auto sizes = batches(15);
    std::vector<size_t> want(15, 0);
    want[0] = want[1] = want[12] = want[13] = 1;
    EXPECT_EQ(sizes, want);
    ASSERT_EQ(game.world.actors.size(), 4u);
    EXPECT_FLOAT_EQ(game.world.actors[2].x, 0);
    EXPECT_FLOAT_EQ(game.world.actors[3].x, 1);
    EXPECT_TRUE(game.world.emitters.empty());

    resetGameState();
    spawnPairs(zeroOrigin(), {{"times", "0"}});
    batches(50);
    EXPECT_EQ(game.world.actors.size(), 50u);
    EXPECT_EQ(game.world.emitters.size(), 1u);
}

TEST(Emitters, SharedRandomKeepsXAndYOnOneSegment) {
    resetGameState();
    game.rng.seed(5);
    spawnPairs(zeroOrigin(), {{"count", "20"}, {"o_fx", "2"}, {"o_fy", "2"}, {"s_fx", "0"},
                              {"e_fx", "1"}, {"s_fy", "0.5"}, {"e_fy", "1.5"}});
    runEmitters();
    ASSERT_EQ(game.world.actors.size(), 20u);
    float low = 1, high = 0;
    for (const Actor& a : game.world.actors) {
        EXPECT_NEAR(a.y - 0.5f, a.x, 1e-6f);
        low = std::min(low, a.x);
        high = std::max(high, a.x);
    }
    EXPECT_LT(low, high);  // the draws differ from Actor to Actor

    resetGameState();
    spawnPairs(zeroOrigin(), {{"o_x", "1.5"}, {"x", "0.4"}});
    runEmitters();
    EXPECT_FLOAT_EQ(game.world.actors[0].x, 0);  // a mode between the modes gives 0
}

TEST(Emitters, OwnRandomDrawsFollowTheFieldOrder) {
    resetGameState();
    game.rng.seed(11);
    Rng twin = game.rng;
    spawnPairs(zeroOrigin(), {{"o_x", "3"}, {"s_fx", "0"}, {"e_fx", "1"}, {"o_speed", "3"},
                              {"s_speed", "0"}, {"e_speed", "1"}});
    runEmitters();
    twin.next();  // the shared random
    const float qx = static_cast<float>(twin.next());
    const float qspeed = static_cast<float>(twin.next());
    EXPECT_FLOAT_EQ(game.world.actors[0].x, qx / 32767.0f);
    EXPECT_FLOAT_EQ(game.world.actors[0].speed, qspeed / 32767.0f);
}

TEST(Emitters, LifeAndRepeatRoundTiesToEven) {
    resetGameState();
    spawnPairs(zeroOrigin(), {{"life", "2.5"}, {"repeat", "3.5"}});
    spawnPairs(zeroOrigin(), {{"life", "7.6"}, {"repeat", "0.4"}});
    runEmitters();
    ASSERT_EQ(game.world.actors.size(), 2u);
    EXPECT_EQ(game.world.actors[1].life, 2);  // Emitters run from the last down
    EXPECT_EQ(game.world.actors[1].rlife, 2);
    EXPECT_EQ(game.world.actors[1].repeat, 4);
    EXPECT_EQ(game.world.actors[0].life, 8);
    EXPECT_EQ(game.world.actors[0].repeat, 0);
}

TEST(Emitters, OnspawnRunsOnTheNewActorBeforeTheNext) {
    resetGameState();
    rt::addEmptyScripts();
    // Each new Actor adds its index-th speed step; a spawn in onspawn waits for the next pass.
    int32_t onspawn = rt::addScript({rt::command("alter", {{"d_speed", "1"}}),
                                     rt::command("spawn", {{"fx", "0.9"}})});
    Actor origin = zeroOrigin();
    std::vector<SpawnParam> params = {makeParam("count", "3"), rt::scriptParam("onspawn", onspawn),
                                      makeParam("s_speed", "0"), makeParam("e_speed", "20")};
    spawnCommand(origin, params, -1);
    runEmitters();
    ASSERT_EQ(game.world.actors.size(), 3u);
    EXPECT_FLOAT_EQ(game.world.actors[0].speed, 1);
    EXPECT_FLOAT_EQ(game.world.actors[1].speed, 11);
    EXPECT_FLOAT_EQ(game.world.actors[2].speed, 21);
    EXPECT_EQ(game.world.emitters.size(), 3u);
    runEmitters();
    ASSERT_EQ(game.world.actors.size(), 6u);
    EXPECT_FLOAT_EQ(game.world.actors[5].x, 0.9f);
}

TEST(Emitters, BoundActorRemovedMidCycleStopsTheEmitter) {
    resetGameState();
    rt::addActor(rt::actorAt(0.5f, 0.5f));
    spawnPairs(game.world.actors[0], {{"count", "4"}, {"time", "4"}, {"attached", "1"}}, 0);
    runEmitters();
    EXPECT_EQ(game.world.actors.size(), 2u);
    removeActor(0);
    EXPECT_TRUE(game.world.emitters.empty());
    runEmitters();
    EXPECT_EQ(game.world.actors.size(), 1u);
}

TEST(Emitters, FullActorListDropsTheRestOfTheBatch) {
    resetGameState();
    game.world.actors.resize(limits::maxActors - 1);
    spawnPairs(zeroOrigin(), {{"count", "5"}, {"time", "2"}, {"times", "0"}});
    runEmitters();
    EXPECT_EQ(game.world.actors.size(), limits::maxActors);
    ASSERT_EQ(game.world.emitters.size(), 1u);
    EXPECT_EQ(game.world.emitters[0].emitted, 2);  // the fan index still advanced
    runEmitters();
    runEmitters();
    EXPECT_EQ(game.world.actors.size(), limits::maxActors);
    EXPECT_EQ(game.world.emitters.size(), 1u);
}
