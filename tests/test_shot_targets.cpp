// The shot's walk through the list of possible targets against the plain walk over every
// Actor (same target, same budget spent), and a hit that changes which Actors can be hit
// being seen by the next shot of the same pass.
#include "tests/runtime_helpers.h"

#include "core/game_state.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

namespace {

using namespace rt;

// The plain walk: every Actor from the last down, each look and each circle-line test
// counted, every circle of every hittable Actor tested.
int32_t plainWalk(int32_t i) {
    const auto& actors = game.world.actors;
    const auto& models = game.defs.modelRegistry;
    auto modelOf = [&](int32_t m) -> const Model* {
        return m < 0 || static_cast<size_t>(m) >= models.size() ? nullptr
                                                                : &models[static_cast<size_t>(m)];
    };
    const Actor& shot = actors[static_cast<size_t>(i)];
    const Model* shotModel = modelOf(shot.model);
    if (shotModel == nullptr || shotModel->lines.empty()) return -1;
    const auto shotLines = static_cast<int64_t>(shotModel->lines.size());
    for (auto j = static_cast<int32_t>(actors.size()) - 1; j >= 0; --j) {
        if (game.collisionWork >= limits::maxCollisionWork) return -1;
        ++game.collisionWork;
        const Actor& target = actors[static_cast<size_t>(j)];
        if ((target.flag & flags::hittable) == 0) continue;
        const Model* targetModel = modelOf(target.model);
        if (targetModel == nullptr) continue;
        game.collisionWork += static_cast<int64_t>(targetModel->circles.size()) * shotLines;
        for (const HitCircle& circle : targetModel->circles) {
            for (const ModelLine& line : shotModel->lines) {
                if (lineHitsCircle(shot, line, target, circle)) return j;
            }
        }
    }
    return -1;
}

// A random float in [lo, hi] from the test's own generator.
float uniform(Rng& rng, float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(rng.next()) / 32767.0f;
}

// Models: 0 empty, 1 a short shot line, 2 two shot lines, 3 one circle, 4 three circles
// with a line, 5 lines only.
void addTestModels() {
    addModel({});
    addModel({{0, -0.01f, 0, 0.01f}});
    addModel({{-0.01f, 0, 0.01f, 0}, {0, -0.02f, 0, 0.02f}});
    const int32_t one = addModel({});
    game.defs.modelRegistry[static_cast<size_t>(one)].circles = {{0, 0, 0.02f, 0, 0}};
    const int32_t three = addModel({{0, 0, 0.01f, 0.01f}});
    game.defs.modelRegistry[static_cast<size_t>(three)].circles = {
        {0, 0, 0.01f, 0, 0}, {0.02f, 0, 0.005f, 1.5707964f, 0.02f},
        {-0.02f, 0, 0.005f, -1.5707964f, 0.02f}};
    addModel({{0, 0, 0.02f, 0}, {0, 0, 0, 0.02f}});
    measureModels();
}

TEST(ShotTargets, SameTargetAndBudgetAsThePlainWalk) {
    Rng rng;
    rng.seed(77);
    int hits = 0, spent = 0;
    for (int scene = 0; scene < 4000; ++scene) {
        resetGameState();
        addTestModels();
        const int n = rng.next() % 60;
        for (int k = 0; k < n; ++k) {
            // Crowded, so that many shots hit; models include out-of-range indices.
            Actor a = actorAt(uniform(rng, 0.4f, 0.6f), uniform(rng, 0.4f, 0.6f),
                              uniform(rng, -7, 7));
            a.model = rng.next() % 8 - 1;
            a.owner = rng.next() % 3;
            a.flag = rng.next() % 4;
            a.scale = uniform(rng, 0.2f, 2);
            a.rotate = uniform(rng, -3, 3);
            addActor(a);
        }
        // Budgets from untouched to nearly spent, so that it runs out in every part of a walk.
        const int64_t startWork = rng.next() % 3 == 0
                                      ? limits::maxCollisionWork - rng.next() % (4 * n + 2)
                                      : rng.next() % 100;
        for (int32_t i = 0; i < n; ++i) {
            game.collisionWork = startWork;
            const int32_t expected = plainWalk(i);
            const int64_t expectedWork = game.collisionWork;
            game.collisionWork = startWork;
            game.world.shotTargetsListed = false;
            ASSERT_EQ(findShotTarget(i), expected) << "scene " << scene << " shot " << i;
            ASSERT_EQ(game.collisionWork, expectedWork) << "scene " << scene << " shot " << i;
            // The list stays valid while nothing changes: a second look agrees too.
            game.collisionWork = startWork;
            ASSERT_EQ(findShotTarget(i), expected);
            hits += expected >= 0 ? 1 : 0;
            spent += expectedWork >= limits::maxCollisionWork ? 1 : 0;
        }
    }
    // The scenes exercised both outcomes and the budget running out.
    EXPECT_GT(hits, 5000);
    EXPECT_GT(spent, 1000);
}

TEST(ShotTargets, AHitThatMakesAnActorHittableIsSeenByTheNextShot) {
    resetGameState();
    addEmptyScripts();
    addPlayer(0.5f, 1.4f);
    addTestModels();
    // Target A dies from one hit; its ondie triggers id 7, whose ontrigger makes B hittable.
    const int32_t wake = addScript({command("alter", {{"hittable", "1"}})});
    const int32_t call = addScript({command("trigger", {{"id", "7"}})});
    Actor b = actorAt(0.2f, 0.2f);
    b.model = 3;
    b.owner = 2;
    b.id = 7;
    b.hp = b.maxhp = 100;
    b.events[static_cast<size_t>(EventCode::ontrigger)] = wake;
    Actor a = actorAt(0.8f, 0.2f);
    a.model = 3;
    a.owner = 2;
    a.flag = flags::hittable;
    a.hp = a.maxhp = 0.5f;
    a.events[static_cast<size_t>(EventCode::ondie)] = call;
    Actor shotAtB = actorAt(0.2f, 0.2f);
    shotAtB.model = 1;
    shotAtB.owner = 1;
    Actor shotAtA = shotAtB;
    shotAtA.x = 0.8f;
    Actor bystander = actorAt(0.5f, 0.9f);
    bystander.owner = 2;
    // The list: B, the shot at B, A, the shot at A, a bystander (so no shot is last).
    game.world.actors = {b, shotAtB, a, shotAtA, bystander};

    collideActors();
    // The walk reaches the shot at A first; A dies and B wakes; the shot at B, looked at
    // next, hits B. Both shots and A are gone, B took one hit.
    ASSERT_EQ(game.world.actors.size(), 2u);
    EXPECT_EQ(game.world.actors[0].id, 7);
    EXPECT_EQ(game.world.actors[0].flag & flags::hittable, flags::hittable);
    EXPECT_FLOAT_EQ(game.world.actors[0].hp, 99.0f);
}

}  // namespace
