// The demo behind the ship selection screen and the screen's picture.
#include "input/input.h"
#include "tests/support/shell_world.h"

#include <gtest/gtest.h>

#include <cmath>

using testing_support::actorsWithModel;
using testing_support::emittersWithModel;
using testing_support::placedActor;
using testing_support::ShellWorld;

namespace {

// A demo script that spawns one marker, and a ship whose two shots reload every 10 steps.
constexpr std::string_view definitions = R"(
script noop { }
script cleared { }
model hull { line 0 0 0 0.01 }
model ship_frame { line 0 0 0 0.1 }
model demomark { }
model one { }
model two { }
model bar { line -0.05 0 0.05 0 }
script demo { command spawn { model demomark } }
script shotone { command reload { time 10 } command spawn { model one } }
script shottwo { command reload { time 10 } command spawn { model two } }
ship first { model hull shot1 shotone shot2 shottwo }
ship second { model hull }
)";

class Demo : public ::testing::Test {
protected:
    ShellWorld world;

    void SetUp() override {
        world.load(definitions);
        enterShipSelection();
    }
};

// True when the Line op runs from (x1, y1) to (x2, y2), to a small tolerance.
bool lineIs(const SceneOp& op, float x1, float y1, float x2, float y2) {
    const float e = 1e-3f;
    return op.kind == SceneOp::Kind::Line && std::fabs(op.x1 - x1) < e &&
           std::fabs(op.y1 - y1) < e && std::fabs(op.x2 - x2) < e && std::fabs(op.y2 - y2) < e;
}

}  // namespace

TEST_F(Demo, ShipAlternatesItsShotTypesEvery180Steps) {
    const int32_t one = findModel("one");
    const int32_t two = findModel("two");
    for (int s = 0; s < 400; ++s) {
        ASSERT_EQ(game.clock.frameCounter, s);
        world.stepFrame();
        // A shot's Emitter waits for the next step's emitter pass, so only this step's
        // shot is on the Emitter list now.
        const bool due = s % 10 == 0;
        const bool second = (s / 180) % 2 == 1;
        EXPECT_EQ(emittersWithModel(one), due && !second ? 1u : 0u) << "step " << s;
        EXPECT_EQ(emittersWithModel(two), due && second ? 1u : 0u) << "step " << s;
    }
}

TEST_F(Demo, DemoScriptStartsOncePerVisit) {
    const int32_t mark = findModel("demomark");
    for (int s = 0; s < 30; ++s) world.stepFrame();
    EXPECT_EQ(actorsWithModel(mark), 1u);
    world.hold(0x78);
    world.stepFrame();
    world.hold(0x78, false);
    ASSERT_EQ(world.engine.frameFunc, &controlsSetupFrame);
    EXPECT_EQ(actorsWithModel(mark), 1u);  // kept in memory, not updated
    world.engine.keyPressed = 0x1B;
    world.stepFrame();
    ASSERT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(actorsWithModel(mark), 0u);
    for (int s = 0; s < 30; ++s) world.stepFrame();
    EXPECT_EQ(actorsWithModel(mark), 1u);
}

TEST_F(Demo, WithoutADemoScriptOnlyTheShipFires) {
    world.load("script noop { } script cleared { } model one { } script shotone { command spawn { model one } } "
               "ship first { shot1 shotone }");
    enterShipSelection();
    for (int s = 0; s < 5; ++s) world.stepFrame();
    EXPECT_EQ(game.world.actors.size(), 4u);  // shots of steps 0..3; step 4's still pending
    EXPECT_EQ(actorsWithModel(findModel("one")), 4u);
}

TEST_F(Demo, HitsNeverLeaveTheDemoShipDisabled) {
    Actor h = placedActor(0.5f, 1.25f, findModel("bar"));
    game.world.actors.push_back(h);
    game.world.players[0].invulnerableSteps = 0;
    world.stepFrame();
    EXPECT_EQ(game.world.players[0].disabledSteps, 0);
    EXPECT_EQ(game.world.players[0].invulnerableSteps, 0);
    EXPECT_EQ(game.world.players[0].scoreMultiplier, 0.1f);
    EXPECT_EQ(game.world.actors[0].graze, 9000);
}

TEST_F(Demo, CursorMovesChangeTheDemoShipWithoutRestarting) {
    ShellWorld::bind(Action::down, 0x28);
    for (int s = 0; s < 20; ++s) world.stepFrame();
    const size_t before = game.world.actors.size();
    world.hold(0x28);
    world.stepFrame();
    EXPECT_EQ(app.shell.selectionCursor, 1);
    EXPECT_EQ(game.world.players[0].shipIndex, 1);
    EXPECT_EQ(game.world.players[0].shot1Script, 0);
    EXPECT_GE(game.world.actors.size(), before);
    EXPECT_EQ(game.clock.frameCounter, 21);
}

TEST_F(Demo, RenderDrawsShipListCursorAndPlayfield) {
    world.stepFrame();
    game.world.players[0].invulnerableSteps = 0;
    game.clock.frameCounter = 120;
    ASSERT_FALSE(shipSelectionRender());
    const auto& ops = world.engine.ops;
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops.front().kind, SceneOp::Kind::Begin);
    EXPECT_EQ(ops[1].kind, SceneOp::Kind::Clip);
    EXPECT_EQ(ops[1].clipW, 800);
    EXPECT_EQ(ops[2].kind, SceneOp::Kind::Clear);
    EXPECT_EQ(ops.back().kind, SceneOp::Kind::End);

    std::vector<SceneOp> lines;
    int clipIndex = -1;
    for (size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].kind == SceneOp::Kind::Line) lines.push_back(ops[i]);
        if (ops[i].kind == SceneOp::Kind::Clip && ops[i].clipX == 200) {
            EXPECT_EQ(ops[i].clipY, 0);
            EXPECT_EQ(ops[i].clipW, 400);
            EXPECT_EQ(ops[i].clipH, 600);
            clipIndex = static_cast<int>(lines.size());
        }
    }
    // No font: border (2), two ships, the cursor, then after the clip the Actors and ship.
    ASSERT_EQ(clipIndex, 5);
    EXPECT_TRUE(lineIs(lines[0], 200, 0, 200, 600));
    EXPECT_TRUE(lineIs(lines[1], 600, 0, 600, 600));
    const float row1 = 400.0f / 6.0f;
    EXPECT_TRUE(lineIs(lines[2], 700, row1, 700, row1 - 4.0f));
    EXPECT_TRUE(lineIs(lines[3], 700, 2 * row1, 700, 2 * row1 - 4.0f));
    // The frame turns with the step count: 2 radians past pi at step 120.
    const float turn = 2.0f + 3.1415927f;
    EXPECT_TRUE(lineIs(lines[4], 700, row1, 700 + 40 * std::sin(turn), row1 + 40 * std::cos(turn)));
    ASSERT_GE(lines.size(), 6u);
    // The ship itself, last of all, at the start position facing up.
    EXPECT_TRUE(lineIs(lines.back(), 400, 500, 400, 496));
}
