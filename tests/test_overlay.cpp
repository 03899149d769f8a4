// The debug overlay: hit circles drawn where the collision pass places them, the player's
// hit radius, and nothing drawn in its colour while it is off; the left strip's notes of
// invincibility and of a replay that could not be written.
#include "app/app.h"
#include "core/game_state.h"
#include "platform/headless.h"
#include "sim/sim.h"
#include "tests/support/scene_lines.h"
#include "tests/support/test_font.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using testing_support::decodeTestFont;
using testing_support::installTestFont;
using testing_support::sceneLines;

namespace {

constexpr uint32_t overlayColor = 0xFF40FFFF;

// The overlay-coloured lines both of whose ends lie `radius` pixels from (cx, cy).
int segmentsAround(const std::vector<SceneOp>& lines, float cx, float cy, float radius) {
    int count = 0;
    for (const SceneOp& op : lines) {
        if (op.color != overlayColor) continue;
        const float d1 = std::hypot(op.x1 - cx, op.y1 - cy);
        const float d2 = std::hypot(op.x2 - cx, op.y2 - cy);
        if (std::fabs(d1 - radius) < 1e-3f && std::fabs(d2 - radius) < 1e-3f) ++count;
    }
    return count;
}

}  // namespace

TEST(Overlay, CirclesLieWhereTheCollisionPassPlacesThem) {
    HeadlessEngine engine;
    resetGameState();
    resetAppState();
    game.platform.engine = &engine;
    installTestFont("0123456789");
    // A Model with one hit circle off its centre, on a turned, mirrored and scaled Actor.
    Model rock;
    rock.circles.push_back(HitCircle{0.03f, 0.04f, 0.02f, 0.6435011f, 0.05f});
    game.defs.modelRegistry.push_back(rock);
    Actor a;
    a.x = 0.4f, a.y = 0.6f, a.angle = 0.5f, a.rotate = 0.25f, a.scale = -1.5f;
    a.model = 0, a.flag = flags::hittable;
    game.world.actors.push_back(a);
    Actor unhittable = a;
    unhittable.flag = 0;
    unhittable.x = 0.7f;
    game.world.actors.push_back(unhittable);
    Player p;
    p.x = 0.5f, p.y = 1.25f, p.hitRadius = 0.01f;
    game.world.players.push_back(p);

    gameplayRender();
    std::vector<SceneOp> lines = sceneLines(engine.ops);
    for (const SceneOp& op : lines) EXPECT_NE(op.color, overlayColor);

    app.shell.overlay = true;
    const Rng before = game.rng;
    gameplayRender();
    lines = sceneLines(engine.ops);
    const Point c = worldPoint(a.x, a.y, a.angle + a.rotate, a.scale, 0.6435011f, 0.05f);
    EXPECT_EQ(segmentsAround(lines, c.x * 400 + 200, c.y * 400, 0.02f * 1.5f * 400), 16);
    EXPECT_EQ(segmentsAround(lines, 0.5f * 400 + 200, 1.25f * 400, 0.01f * 400), 16);
    // One circle per hittable Actor and one per Player: 32 segments, none elsewhere.
    int inPlayfield = 0;
    for (const SceneOp& op : lines)
        if (op.color == overlayColor && op.x1 < 600) ++inPlayfield;
    EXPECT_EQ(inPlayfield, 32);
    EXPECT_EQ(game.rng.state, before.state);
    game.platform.engine = nullptr;
}

TEST(Overlay, F3AndF4ToggleOnBothPlayingScreens) {
    HeadlessEngine engine;
    resetGameState();
    resetAppState();
    game.platform.engine = &engine;
    engine.keyPressed = keys::f3;
    gameplayFrame();
    EXPECT_TRUE(app.shell.overlay);
    engine.keyPressed = keys::f4;
    shipSelectionFrame();
    EXPECT_TRUE(game.invincible);
    engine.keyPressed = keys::f3;
    shipSelectionFrame();
    engine.keyPressed = keys::f4;
    gameplayFrame();
    EXPECT_FALSE(app.shell.overlay);
    EXPECT_FALSE(game.invincible);
    // A recorded run is never invincible: F4 does nothing while one records, and a
    // recording that begins turns invincibility off.
    engine.keyPressed = keys::f4;
    shipSelectionFrame();
    armRecording("unused.qfr");
    beginReplayRun();
    EXPECT_FALSE(game.invincible);
    engine.keyPressed = keys::f4;
    shipSelectionFrame();
    EXPECT_FALSE(game.invincible);
    app.replay = ReplayState{};
    game.platform.engine = nullptr;
}

TEST(Overlay, InvincibilityAndAnUnwrittenReplayShowInTheLeftStrip) {
    HeadlessEngine engine;
    resetGameState();
    resetAppState();
    game.platform.engine = &engine;
    const std::string chars = "INVCBLE()F4Rplaynotsved: ";
    installTestFont(chars);
    // The text the left strip shows in `color`.
    const auto strip = [&](uint32_t color) {
        gameplayRender();
        std::vector<SceneOp> lines;
        for (const SceneOp& op : engine.ops)
            if (op.kind == SceneOp::Kind::Line && op.color == color && op.x1 < 200.0f)
                lines.push_back(op);
        return decodeTestFont(lines, chars);
    };
    constexpr uint32_t invincibleColor = 0xFF80FF80, problemColor = 0xFFFF8080;
    EXPECT_EQ(strip(invincibleColor), "");
    game.invincible = true;
    EXPECT_EQ(strip(invincibleColor), "INVINCIBLE (F4)");
    game.invincible = false;

    armRecording("/nonexistent-folder/run.qfr");
    beginReplayRun();
    endReplayRun();
    EXPECT_EQ(strip(problemColor).rfind("Replay not saved:", 0), 0u) << strip(problemColor);
    engine.time = 10.0;  // a few seconds later it is gone
    EXPECT_EQ(strip(problemColor), "");
    app.replay = ReplayState{};
    game.platform.engine = nullptr;
}
