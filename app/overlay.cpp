// The debug overlay for level authors (F3) and the invincibility switch (F4): hit circles
// on the playfield, and counts, the timeline frame and stage, step and draw times, a graph
// of recent step times and the work budgets used in the right strip. It only draws and
// keeps its own measurements: nothing the simulation reads is touched.
#include "app/app.h"

#include "actors/actor_math.h"
#include "core/game_state.h"
#include "core/limits.h"
#include "sim/sim.h"
#include "text/text.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace {

// The overlay's own colour, unlike any the game draws with.
constexpr uint32_t colorOverlay = 0xFF40FFFF;
// Segments of every circle the overlay draws.
constexpr int circleSegments = 16;
// Pixels between two text lines of the strip.
constexpr float lineSpacing = 15.0f;
// Height in pixels of a graph bar for a step of `graphFullMs` (taller bars are cut).
constexpr float graphHeight = 40.0f;
constexpr float graphFullMs = 1000.0f / 60.0f;

// A circle of radius r world units around (cx, cy) on the playfield, as a polygon.
void drawWorldCircle(Engine& engine, float cx, float cy, float r) {
    const PlayfieldLayout& s = game.layout;
    const float step = 2.0f * std::numbers::pi_v<float> / circleSegments;
    float px = (cx + r) * s.pixelsPerUnitX + s.playfieldLeft;
    float py = cy * s.pixelsPerUnitY + s.playfieldTop;
    for (int k = 1; k <= circleSegments; ++k) {
        const float a = step * static_cast<float>(k);
        const float x = (cx + r * std::cos(a)) * s.pixelsPerUnitX + s.playfieldLeft;
        const float y = (cy + r * std::sin(a)) * s.pixelsPerUnitY + s.playfieldTop;
        engine.Gfx_RenderLine(px, py, x, y, colorOverlay, lineDepth);
        px = x;
        py = y;
    }
}

// The hit circles of every hittable Actor, placed as the collision pass places them.
void drawHitCircles(Engine& engine) {
    for (const Actor& a : game.world.actors) {
        if ((a.flag & flags::hittable) == 0) continue;
        const Model* model = actormath::modelAt(a.model);
        if (model == nullptr) continue;
        for (const HitCircle& circle : model->circles) {
            const Point c = worldPoint(a.x, a.y, a.angle + a.rotate, a.scale, circle.angle,
                                       circle.distance);
            drawWorldCircle(engine, c.x, c.y, circle.r * std::fabs(a.scale));
        }
    }
}

// The hit radius of every Player around its ship.
void drawPlayerRadii(Engine& engine) {
    for (const Player& p : game.world.players) drawWorldCircle(engine, p.x, p.y, p.hitRadius);
}

// Number `value` with `decimals` digits after the point.
std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// `work` as a percentage of `budget`, to one decimal.
std::string percentOf(int64_t work, int64_t budget) {
    return fixed(100.0 * static_cast<double>(work) / static_cast<double>(budget), 1) + "%";
}

// Bars of the recent step times, oldest on the left, one pixel each.
void drawStepGraph(Engine& engine, float x, float baseline) {
    const OverlayStats& stats = app.shell.overlayStats;
    const size_t n = OverlayStats::graphSteps;
    for (size_t k = 0; k < n; ++k) {
        const float ms = stats.stepHistory[(stats.historyNext + k) % n];
        const float h = std::fmin(graphHeight, ms / graphFullMs * graphHeight);
        const float bx = x + static_cast<float>(k);
        if (h > 0.0f) engine.Gfx_RenderLine(bx, baseline, bx, baseline - h, colorOverlay, lineDepth);
    }
    engine.Gfx_RenderLine(x, baseline, x + static_cast<float>(n), baseline, colorOverlay,
                          lineDepth);
}

// The right strip's figures, one line each.
void drawFigures(Engine& engine) {
    const Shell& s = app.shell;
    const OverlayStats& stats = s.overlayStats;
    const float x = game.layout.playfieldLeft + game.layout.pixelsPerUnitX + 15.0f;
    float y = game.layout.playfieldTop + 30.0f;
    // Writes one line of the strip and moves down.
    auto line = [&](const std::string& text) {
        drawText(x, y, text, colorOverlay, 1);
        y += lineSpacing;
    };
    const int64_t frame = timelineFrame();
    line("Actors " + std::to_string(game.world.actors.size()));
    line("Emitters " + std::to_string(game.world.emitters.size()));
    line("Frame " + std::to_string(frame));
    const int32_t stage = stageAt(frame);
    line(stage > 0 ? "Stage " + std::to_string(stage) : std::string("Stage -"));
    line("Step " + fixed(stats.stepMs, 2) + " ms");
    line("Draw " + fixed(stats.drawMs, 2) + " ms");
    const DrawingSize size = engine.Gfx_GetDrawingSize();
    if (size.fullWidth > 0)
        line("Res " + std::to_string(size.width) + "x" + std::to_string(size.height) + " " +
             std::to_string(size.width * 100 / size.fullWidth) + "%");
    line("Script " + percentOf(stats.scriptWork, limits::maxScriptWork));
    line("Collide " + percentOf(stats.collisionWork, limits::maxCollisionWork));
    y += graphHeight;
    drawStepGraph(engine, x, y);
    y += lineSpacing + 5.0f;
    if (game.invincible) line("INVINCIBLE");
}

}  // namespace

void handleOverlayKeys(Engine& engine) {
    const int key = engine.Input_GetKey();
    if (key == keys::f3) app.shell.overlay = !app.shell.overlay;
    // Invincibility changes the game, so a run recorded or played back never has it.
    const bool replaying = app.replay.recording || app.replay.playing;
    if (key == keys::f4 && !replaying) game.invincible = !game.invincible;
    handleMuteKey(key);
}

void noteOverlayStep(double seconds) {
    OverlayStats& stats = app.shell.overlayStats;
    stats.stepMs = seconds * 1000.0;
    stats.stepHistory[stats.historyNext] = static_cast<float>(stats.stepMs);
    stats.historyNext = (stats.historyNext + 1) % OverlayStats::graphSteps;
    stats.scriptWork = game.scriptWork;
    stats.collisionWork = game.collisionWork;
}

void drawOverlayCircles() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return;
    if (app.shell.overlay) drawHitCircles(*engine);
    if (app.shell.overlay || app.display.hitCircle) drawPlayerRadii(*engine);
}

void drawOverlayFigures() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr || !app.shell.overlay) return;
    engine->Gfx_SetClipping(0, 0, 0, 0);
    drawFigures(*engine);
}
