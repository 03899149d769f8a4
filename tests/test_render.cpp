// Gameplay picture: gauges, bars, score, border, clipping, stars, Actors and the ship.
#include "app/app.h"
#include "platform/headless.h"
#include "tests/support/scene_lines.h"
#include "tests/support/support.h"
#include "tests/support/test_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <set>

using testing_support::decodeTestFont;
using testing_support::installTestFont;
using testing_support::makeLine;
using testing_support::sceneLines;

namespace {

constexpr std::string_view fontChars = "0123456789Score";
constexpr uint32_t shipColor = 0xFF0000FE;

// A game state as newGame leaves it, with a one-line ship model (index 0).
void startGame(HeadlessEngine& engine) {
    resetGameState();
    resetAppState();
    game.platform.engine = &engine;
    installTestFont(fontChars);
    Model ship;
    ship.lines.push_back(makeLine(0, 0, 0, 0.02f, shipColor));
    game.defs.modelRegistry.push_back(ship);
    Player p;
    p.x = 0.5f, p.y = 1.25f, p.heading = std::numbers::pi_v<float>;
    p.specialTimerFull = 300, p.scoreMultiplier = 0.1f, p.invulnerableSteps = 0;
    game.world.players.push_back(p);
}

// The lines of one render, with the engine's record cleared first.
std::vector<SceneOp> renderLines(HeadlessEngine& engine) {
    engine.ops.clear();
    EXPECT_FALSE(gameplayRender());
    return sceneLines(engine.ops);
}

// The lines whose both ends lie at height y.
std::vector<SceneOp> linesAtY(const std::vector<SceneOp>& lines, float y) {
    std::vector<SceneOp> out;
    for (const auto& op : lines)
        if (op.y1 == y && op.y2 == y) out.push_back(op);
    return out;
}

// The lines in one colour.
std::vector<SceneOp> linesOfColor(const std::vector<SceneOp>& lines, uint32_t color) {
    std::vector<SceneOp> out;
    for (const auto& op : lines)
        if (op.color == color) out.push_back(op);
    return out;
}

}  // namespace

TEST(Render, FullGreenGaugeAfterNewGame) {
    HeadlessEngine engine;
    startGame(engine);
    auto lines = renderLines(engine);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_FLOAT_EQ(lines[0].x1, 5);
    EXPECT_FLOAT_EQ(lines[0].x2, 195);
    EXPECT_FLOAT_EQ(lines[0].y1, 545);
    EXPECT_FLOAT_EQ(lines[0].y2, 545);
    EXPECT_FLOAT_EQ(lines[1].x1, 5);
    EXPECT_FLOAT_EQ(lines[1].x2, 195);
    EXPECT_FLOAT_EQ(lines[1].y1, 546);
    EXPECT_FLOAT_EQ(lines[1].y2, 546);
    EXPECT_EQ(lines[0].color, 0xFF00FF00u);
    EXPECT_EQ(lines[1].color, 0xFF00FF00u);
    EXPECT_FLOAT_EQ(lines[0].z, 0.5f);
}

TEST(Render, YellowGaugeGrowsAfterBomb) {
    HeadlessEngine engine;
    startGame(engine);
    game.world.players[0].specialTimer = 300;
    auto gauge = linesAtY(renderLines(engine), 545);
    ASSERT_EQ(gauge.size(), 1u);
    EXPECT_FLOAT_EQ(gauge[0].x2, 5);
    EXPECT_EQ(gauge[0].color, 0xFFFFFF00u);
    game.world.players[0].specialTimer = 150;
    gauge = linesAtY(renderLines(engine), 546);
    ASSERT_EQ(gauge.size(), 1u);
    EXPECT_FLOAT_EQ(gauge[0].x2, 100);
    EXPECT_EQ(gauge[0].color, 0xFFFFFF00u);
    game.world.players[0].specialTimer = 600, game.world.players[0].specialTimerFull = 600;
    EXPECT_FLOAT_EQ(linesAtY(renderLines(engine), 545)[0].x2, 5);
}

TEST(Render, TargetBarCountsDownPerDisplayFrame) {
    HeadlessEngine engine;
    startGame(engine);
    Player& p = game.world.players[0];
    p.targetBarFrames = 300, p.targetHp = 3, p.targetHpMax = 4;
    auto lines = renderLines(engine);
    ASSERT_GE(lines.size(), 4u);
    for (int k = 0; k < 2; ++k) {
        const auto& bar = lines[2 + static_cast<size_t>(k)];
        EXPECT_FLOAT_EQ(bar.x1, 5);
        EXPECT_FLOAT_EQ(bar.x2, 147.5f);
        EXPECT_FLOAT_EQ(bar.y1, 540.0f + static_cast<float>(k));
        EXPECT_EQ(bar.color, 0xFFFF0000u);
    }
    EXPECT_EQ(p.targetBarFrames, 299);
    p.targetBarFrames = 2;
    EXPECT_EQ(linesAtY(renderLines(engine), 540).size(), 1u);
    EXPECT_EQ(linesAtY(renderLines(engine), 540).size(), 1u);
    EXPECT_EQ(p.targetBarFrames, 0);
    EXPECT_TRUE(linesAtY(renderLines(engine), 540).empty());
    EXPECT_EQ(p.targetBarFrames, 0);
}

TEST(Render, BossBarsStackUpwardsInCreationOrder) {
    HeadlessEngine engine;
    startGame(engine);
    game.world.bossBars = {{95, 190}, {190, 190}, {0, 50}};
    auto lines = renderLines(engine);
    float ends[] = {100, 195, 5};
    for (size_t i = 0; i < 3; ++i) {
        for (float dy : {0.0f, 1.0f}) {
            auto bar = linesAtY(lines, 500.0f - 10.0f * static_cast<float>(i) + dy);
            ASSERT_EQ(bar.size(), 1u);
            EXPECT_FLOAT_EQ(bar[0].x1, 5);
            EXPECT_FLOAT_EQ(bar[0].x2, ends[i]);
            EXPECT_EQ(bar[0].color, 0xFFFF0000u);
        }
    }
}

TEST(Render, ZeroMaximumGivesEmptyBarInsteadOfNaN) {
    HeadlessEngine engine;
    startGame(engine);
    game.world.bossBars = {{0, 0}};
    Player& p = game.world.players[0];
    p.targetBarFrames = 1, p.specialTimerFull = 0;
    auto lines = renderLines(engine);
    EXPECT_FLOAT_EQ(linesAtY(lines, 500)[0].x2, 5);
    EXPECT_FLOAT_EQ(linesAtY(lines, 540)[0].x2, 5);
    EXPECT_FLOAT_EQ(linesAtY(lines, 545)[0].x2, 5);
}

TEST(Render, ScoreLabelAndTenDigitScore) {
    HeadlessEngine engine;
    startGame(engine);
    game.world.players[0].score = 1234;
    auto lines = renderLines(engine);
    auto label = linesOfColor(lines, 0xFFBFBFBF);
    EXPECT_EQ(decodeTestFont(label, fontChars), "Score");
    ASSERT_EQ(label.size(), 5u);
    EXPECT_FLOAT_EQ(label[0].x1, 15);
    EXPECT_FLOAT_EQ(label[4].x1, 55);
    EXPECT_FLOAT_EQ(label[0].y1, 15);
    auto score = linesOfColor(lines, 0xFFDFEFFF);
    EXPECT_EQ(decodeTestFont(score, fontChars), "0000001234");
    ASSERT_EQ(score.size(), 10u);
    EXPECT_FLOAT_EQ(score[0].x1, 45);
    EXPECT_FLOAT_EQ(score[9].x1, 135);
    EXPECT_FLOAT_EQ(score[0].y1, 40);
}

TEST(Render, SceneOrderBorderAndPlayfieldClip) {
    HeadlessEngine engine;
    startGame(engine);
    renderLines(engine);
    const auto& ops = engine.ops;
    ASSERT_GE(ops.size(), 4u);
    EXPECT_EQ(ops[0].kind, SceneOp::Kind::Begin);
    EXPECT_EQ(ops[1].kind, SceneOp::Kind::Clip);
    EXPECT_EQ(ops[1].clipX, 0);
    EXPECT_EQ(ops[1].clipY, 0);
    EXPECT_EQ(ops[1].clipW, 800);
    EXPECT_EQ(ops[1].clipH, 600);
    EXPECT_EQ(ops[2].kind, SceneOp::Kind::Clear);
    EXPECT_EQ(ops[2].color, 0u);
    EXPECT_EQ(ops.back().kind, SceneOp::Kind::End);
    auto clip = std::find_if(ops.begin() + 2, ops.end(),
                             [](const SceneOp& op) { return op.kind == SceneOp::Kind::Clip; });
    ASSERT_NE(clip, ops.end());
    EXPECT_EQ(clip->clipX, 200);
    EXPECT_EQ(clip->clipY, 0);
    EXPECT_EQ(clip->clipW, 400);
    EXPECT_EQ(clip->clipH, 600);
    ASSERT_GE(clip - ops.begin(), 5);
    const SceneOp& left = *(clip - 2);
    const SceneOp& right = *(clip - 1);
    EXPECT_EQ(left.color, 0xFFFFFFFFu);
    EXPECT_EQ(right.color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(left.x1, 200);
    EXPECT_FLOAT_EQ(left.x2, 200);
    EXPECT_FLOAT_EQ(left.y1, 0);
    EXPECT_FLOAT_EQ(left.y2, 600);
    EXPECT_FLOAT_EQ(right.x1, 600);
    EXPECT_FLOAT_EQ(right.x2, 600);
    EXPECT_FLOAT_EQ(right.y1, 0);
    EXPECT_FLOAT_EQ(right.y2, 600);
    // 160 stars, then the ship, then the end of the scene.
    EXPECT_EQ(ops.end() - clip, 1 + 160 + 1 + 1);
}

TEST(Render, StarsFlickerFromTheDisplayGeneratorOnly) {
    HeadlessEngine engine;
    startGame(engine);
    for (size_t i = 0; i < game.world.starField.size(); ++i)
        game.world.starField[i] = {static_cast<float>(i) * 2.5f, 600.0f - static_cast<float>(i),
                                   1.0f};
    const std::set<uint32_t> allowed = {0xFF00420C, 0xFF00528F, 0xFF006312, 0xFF007395,
                                        0xFF008418};
    std::set<uint32_t> seen;
    for (int frame = 0; frame < 4; ++frame) {
        renderLines(engine);
        auto clip = std::find_if(engine.ops.begin() + 2, engine.ops.end(), [](const SceneOp& op) {
            return op.kind == SceneOp::Kind::Clip;
        });
        for (size_t i = 0; i < 160; ++i) {
            const SceneOp& star = *(clip + 1 + static_cast<long>(i));
            const Star& s = game.world.starField[i];
            EXPECT_FLOAT_EQ(star.x1, 200 + s.x);
            EXPECT_FLOAT_EQ(star.x2, 200 + s.x);
            EXPECT_FLOAT_EQ(star.y1, s.y);
            EXPECT_FLOAT_EQ(star.y2, s.y - 1);
            EXPECT_TRUE(allowed.count(star.color)) << std::hex << star.color;
            seen.insert(star.color);
        }
    }
    EXPECT_GE(seen.size(), 3u);
    EXPECT_EQ(game.rng.state, 1u);  // the simulation's generator was not touched
    Rng expected;
    for (int k = 0; k < 4 * 160; ++k) expected.next();
    EXPECT_EQ(game.renderRng.state, expected.state);
}

TEST(Render, ShipBlinksWithBitOneOfInvulnerability) {
    HeadlessEngine engine;
    startGame(engine);
    Player& p = game.world.players[0];
    std::string pattern;
    for (int steps : {150, 149, 148, 147, 146, 145, 0}) {
        p.invulnerableSteps = steps;
        pattern += linesOfColor(renderLines(engine), shipColor).empty() ? '-' : 'S';
    }
    EXPECT_EQ(pattern, "-SS--SS");
    p.invulnerableSteps = 0, p.disabledSteps = 60;
    EXPECT_TRUE(linesOfColor(renderLines(engine), shipColor).empty());
}

TEST(Render, ShipDrawnAtItsPlaceFacingUp) {
    HeadlessEngine engine;
    startGame(engine);
    auto ship = linesOfColor(renderLines(engine), shipColor);
    ASSERT_EQ(ship.size(), 1u);
    EXPECT_FLOAT_EQ(ship[0].x1, 400);
    EXPECT_FLOAT_EQ(ship[0].y1, 500);
    EXPECT_NEAR(ship[0].x2, 400, 1e-3);
    EXPECT_NEAR(ship[0].y2, 492, 1e-3);
}

TEST(Render, ActorsDrawnFromLastToFirstWithAnglePlusRotate) {
    HeadlessEngine engine;
    startGame(engine);
    for (uint32_t color : {0xFF000001u, 0xFF000002u, 0xFF000003u}) {
        Model m;
        m.lines.push_back(makeLine(0, 0, 0, 0.02f, color));
        game.defs.modelRegistry.push_back(m);
    }
    for (int32_t model : {1, 2, 3, 99}) {
        Actor a;
        a.x = 0.25f, a.y = 0.5f, a.scale = 2.0f, a.model = model;
        a.angle = std::numbers::pi_v<float> / 2, a.rotate = std::numbers::pi_v<float> / 2;
        game.world.actors.push_back(a);
    }
    auto lines = renderLines(engine);
    std::vector<uint32_t> order;
    for (const auto& op : lines)
        if (op.color >= 0xFF000001u && op.color <= 0xFF000003u) order.push_back(op.color);
    EXPECT_EQ(order, (std::vector<uint32_t>{0xFF000003u, 0xFF000002u, 0xFF000001u}));
    auto first = linesOfColor(lines, 0xFF000001u)[0];
    EXPECT_FLOAT_EQ(first.x1, 300);
    EXPECT_FLOAT_EQ(first.y1, 200);
    EXPECT_NEAR(first.x2, 300, 1e-3);
    EXPECT_NEAR(first.y2, 184, 1e-3);  // turned by pi
}

TEST(Render, ModelPlacementInPlayfieldAndOnScreen) {
    HeadlessEngine engine;
    startGame(engine);
    drawModelInPlayfield(0.5f, 0.5f, 0, 1, 0);
    drawModelInPlayfield(0.5f, 0.5f, std::numbers::pi_v<float> / 2, 0.5f, 0);
    drawModelOnScreen(120, 170, 0, 200, 0);
    drawModelInPlayfield(0.5f, 0.5f, 0, 1, 1);
    drawModelOnScreen(0, 0, 0, 1, -1);
    auto lines = sceneLines(engine.ops);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FLOAT_EQ(lines[0].x1, 400);
    EXPECT_FLOAT_EQ(lines[0].y1, 200);
    EXPECT_NEAR(lines[0].x2, 400, 1e-4);
    EXPECT_NEAR(lines[0].y2, 208, 1e-4);
    EXPECT_NEAR(lines[1].x2, 404, 1e-4);
    EXPECT_NEAR(lines[1].y2, 200, 1e-4);
    EXPECT_FLOAT_EQ(lines[2].x1, 120);
    EXPECT_FLOAT_EQ(lines[2].y1, 170);
    EXPECT_NEAR(lines[2].x2, 120, 1e-4);
    EXPECT_NEAR(lines[2].y2, 174, 1e-4);
    EXPECT_EQ(lines[2].color, shipColor);
    EXPECT_FLOAT_EQ(lines[2].z, 0.5f);
}

TEST(Render, NoPlayerSkipsPlayerPartsAndNoEngineDrawsNothing) {
    HeadlessEngine engine;
    startGame(engine);
    game.world.players.clear();
    auto lines = renderLines(engine);
    EXPECT_TRUE(linesAtY(lines, 545).empty());
    EXPECT_TRUE(linesOfColor(lines, 0xFFDFEFFF).empty());
    EXPECT_EQ(decodeTestFont(linesOfColor(lines, 0xFFBFBFBF), fontChars), "Score");
    startGame(engine);
    game.world.players[0].targetBarFrames = 5;
    game.platform.engine = nullptr;
    engine.ops.clear();
    EXPECT_FALSE(gameplayRender());
    EXPECT_TRUE(engine.ops.empty());
    EXPECT_EQ(game.world.players[0].targetBarFrames, 4);
}
