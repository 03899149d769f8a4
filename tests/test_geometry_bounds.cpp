// Geometry bounds: a Model keeps at most its cap of lines and hit circles, and the
// collision pass stops testing shots once the step's collision budget is spent.
#include "core/game_state.h"
#include "defs/defs.h"
#include "sim/sim.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <string>

TEST(GeometryBounds, ModelsKeepAtMostTheirCapOfLinesAndCircles) {
    resetGameState();
    std::string block;
    for (size_t k = 0; k < limits::maxModelLines + 10; ++k) block += "line 0 0 1 1 hitc 0 0 1 ";
    block += "name late color 1 2 3 ";
    const Model model = parseModel(game.defs, block, 0, std::nullopt);
    EXPECT_EQ(model.lines.size(), limits::maxModelLines);
    EXPECT_EQ(model.circles.size(), limits::maxModelCircles);
    // Elements past the cap are still read: what follows them is parsed as usual.
    EXPECT_EQ(model.name, "late");
    EXPECT_EQ(model.lines.back().x2, 1.0f);
}

TEST(GeometryBounds, AFloodOfShotsStopsAtTheCollisionBudget) {
    resetGameState();
    rt::addEmptyScripts();
    const int32_t dot = rt::addModel({{0, -0.01f, 0, 0.01f}});
    game.defs.modelRegistry[static_cast<size_t>(dot)].circles.push_back(HitCircle{0, 0, 0.001f, 0, 0});
    rt::addPlayer(0.5f, 1.4f);
    // 5000 shots over 5000 far-away targets: 25 million looks without a budget.
    for (int k = 0; k < 5000; ++k) {
        Actor target = rt::actorAt(0.1f, 0.1f);
        target.model = dot;
        target.flag = flags::hittable;
        target.owner = 2;
        rt::addActor(target);
        Actor shot = rt::actorAt(0.9f, 0.9f);
        shot.model = dot;
        shot.owner = 1;
        rt::addActor(shot);
    }
    collideActors();
    EXPECT_GE(game.collisionWork, limits::maxCollisionWork);
    EXPECT_LE(game.collisionWork, limits::maxCollisionWork + 1);
    EXPECT_EQ(game.world.actors.size(), 10000u);  // far apart: nothing hit

    // The next step starts a fresh budget: the first shot walked still hits as usual.
    game.world.actors[9999].x = 0.1f;
    game.world.actors[9999].y = 0.1f;
    collideActors();
    EXPECT_EQ(game.world.actors.size(), 9998u);  // the shot and its one-hit-point target went
}
