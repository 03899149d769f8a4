// Gameplay picture: side-strip gauges and score, playfield border, stars, Actors and
// the player ship.
#include "app/app.h"

#include "core/game_state.h"
#include "text/text.h"
#include "core/numbers.h"

#include <cmath>
#include <cstdint>

namespace {


constexpr uint32_t colorYellow = 0xFFFFFF00;
constexpr uint32_t colorGreen = 0xFF00FF00;
constexpr uint32_t colorRed = 0xFFFF0000;
constexpr uint32_t colorScoreLabel = 0xFFBFBFBF;
constexpr uint32_t colorScore = 0xFFDFEFFF;
constexpr uint32_t colorWhite = 0xFFFFFFFF;
// Stars are this base plus (4 + q) steps of starColorStep, q = 0..4.
constexpr uint32_t starColorBase = 0xFF000000;
constexpr uint32_t starColorStep = 0x1083;

// Right end of a side-strip bar showing value / maximum of the strip's 190 pixels.
// An end that is not a finite number (a zero maximum, say) gives an empty bar at x 5.
float barEnd(float value, float maximum) {
    float end = (game.layout.playfieldLeft - 10.0f) * value / maximum + 5.0f;
    return std::isfinite(end) ? end : 5.0f;
}

// Two horizontal lines from x 5 to `end`, at y and y + 1.
void drawBar(Engine& engine, float y, float end, uint32_t color) {
    engine.Gfx_RenderLine(5.0f, y, end, y, color, lineDepth);
    engine.Gfx_RenderLine(5.0f, y + 1.0f, end, y + 1.0f, color, lineDepth);
}

// Special gauge and target bar of the first Player.
void drawPlayerGauges(Engine& engine, Player& player) {
    const PlayfieldLayout& layout = game.layout;
    // The gauge is empty right after a bomb and fills as the special timer runs down.
    float xr = layout.playfieldLeft - 5.0f -
               player.specialTimer * (layout.playfieldLeft - 10.0f) / player.specialTimerFull;
    if (!std::isfinite(xr)) xr = 5.0f;
    drawBar(engine, 545.0f, xr, player.specialTimer > 0.0f ? colorYellow : colorGreen);

    // The target bar counts display frames, not steps.
    if (player.targetBarFrames > 0) {
        if (!app.shell.paused) --player.targetBarFrames;  // a paused picture stays as it was
        drawBar(engine, 540.0f, barEnd(player.targetHp, player.targetHpMax), colorRed);
    }
}

// One line per boss, the first at y 500 and each further one 10 pixels higher.
void drawBossBars(Engine& engine) {
    float y = 500.0f;
    for (const BossBar& bar : game.world.bossBars) {
        drawBar(engine, y, barEnd(bar.current, bar.maximum), colorRed);
        y -= 10.0f;
    }
}

// Stars as one-pixel lines in a fresh dim green each frame. The flicker draws from the
// display's own generator so that the display rate never changes the game.
void drawStars(Engine& engine) {
    const PlayfieldLayout& layout = game.layout;
    for (const Star& star : game.world.starField) {
        int r = game.renderRng.next();
        uint32_t q = static_cast<uint32_t>(4 * r / Rng::maxValue);
        uint32_t color = starColorBase + (4u + q) * starColorStep;
        float x = layout.playfieldLeft + star.x;
        float y = layout.playfieldTop + star.y;
        engine.Gfx_RenderLine(x, y, x, y - 1.0f, color, lineDepth);
    }
}

}  // namespace

bool gameplayRender() {
    Engine* engine = game.platform.engine;
    Player* player = game.world.players.empty() ? nullptr : &game.world.players.front();
    if (engine == nullptr) {
        // Nothing to draw on, but the display-frame count-down still runs.
        if (player != nullptr && player->targetBarFrames > 0) --player->targetBarFrames;
        return false;
    }
    // The picture is timed only while the overlay shows the time.
    const bool timed = app.shell.overlay;
    const double started = timed ? engine->Timer_GetTicks() : 0.0;
    engine->Gfx_BeginScene();
    engine->Gfx_SetClipping(0, 0, pictureWidth, pictureHeight);
    engine->Gfx_Clear(0);

    if (player != nullptr) drawPlayerGauges(*engine, *player);
    drawBossBars(*engine);
    drawText(15.0f, 15.0f, "Score", colorScoreLabel, 1);
    if (player != nullptr) drawNumber(45.0f, 40.0f, player->score, colorScore, 1, 10);
    if (app.replay.playing) drawText(15.0f, 75.0f, "REPLAY", colorScoreLabel, 1);
    if (app.shell.replays.watching) drawWatchingLines(75.0f);
    if (app.shell.paused) {
        drawText(15.0f, 110.0f, "PAUSED", colorWhite, 1);
        // "P - resume, Esc - quit", broken after the comma to fit the strip.
        drawText(15.0f, 135.0f, "P - resume,", colorScoreLabel, 1);
        drawText(15.0f, 155.0f, "Esc - quit", colorScoreLabel, 1);
    }
    drawStripNotes(190.0f);
    drawPlayfieldBorder(*engine);

    const PlayfieldLayout& layout = game.layout;
    engine->Gfx_SetClipping(static_cast<int>(std::lround(layout.playfieldLeft)),
                            static_cast<int>(std::lround(layout.playfieldTop)),
                            static_cast<int>(std::lround(layout.pixelsPerUnitX)),
                            static_cast<int>(
                                std::lround(num::playfieldHeight * layout.pixelsPerUnitY)));
    drawStars(*engine);
    drawPlayfieldObjects();
    drawOverlayCircles();
    drawOverlayFigures();
    drawReloadMessages();

    engine->Gfx_EndScene();
    if (timed) app.shell.overlayStats.drawMs = (engine->Timer_GetTicks() - started) * 1000.0;
    return false;
}
