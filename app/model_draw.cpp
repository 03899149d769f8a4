// Drawing Models on the playfield (world units) or anywhere on the screen (pixels), with
// the sines and cosines of their line ends worked out several at a time.
#include "app/app.h"

#include "actors/actor_math.h"
#include "app/game_state.h"
#include "sim/trig.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Depth of every line the game draws.
constexpr float lineDepth = 0.5f;

// Lines of a Model turned together: this many at a time, on the stack.
constexpr size_t turnedLinesPerChunk = 32;

// Calls draw(line, end 1's turn, end 2's turn) for every line of `m`, where an end's turn
// is the sine and cosine of rotation + its angle; the turns are worked out a chunk of
// lines at a time.
template <class Draw>
void forEachTurnedLine(const Model& m, float rotation, Draw draw) {
    std::array<float, 2 * turnedLinesPerChunk> angles;
    std::array<SinCos, 2 * turnedLinesPerChunk> turns;
    const auto& lines = m.lines;
    for (size_t first = 0; first < lines.size(); first += turnedLinesPerChunk) {
        const size_t count = std::min(turnedLinesPerChunk, lines.size() - first);
        for (size_t k = 0; k < count; ++k) {
            angles[2 * k] = rotation + lines[first + k].angle1;
            angles[2 * k + 1] = rotation + lines[first + k].angle2;
        }
        sinCosBatch({angles.data(), 2 * count}, {turns.data(), 2 * count});
        for (size_t k = 0; k < count; ++k) draw(lines[first + k], turns[2 * k], turns[2 * k + 1]);
    }
}

}  // namespace

// Draws a Model placed in world units on the playfield; y grows downwards.
void drawModelInPlayfield(float x, float y, float rotation, float scale, int32_t model) {
    Engine* engine = game.shell.engine;
    const Model* m = actormath::modelAt(model);
    if (engine == nullptr || m == nullptr) return;
    const Shell& shell = game.shell;
    forEachTurnedLine(*m, rotation, [&](const ModelLine& line, SinCos h1, SinCos h2) {
        float x1 = (x + scale * line.radius1 * h1.s) * shell.pixelsPerUnitX + shell.playfieldLeft;
        float y1 = (y + scale * line.radius1 * h1.c) * shell.pixelsPerUnitY + shell.playfieldTop;
        float x2 = (x + scale * line.radius2 * h2.s) * shell.pixelsPerUnitX + shell.playfieldLeft;
        float y2 = (y + scale * line.radius2 * h2.c) * shell.pixelsPerUnitY + shell.playfieldTop;
        engine->Gfx_RenderLine(x1, y1, x2, y2, line.color, lineDepth);
    });
}

// Draws a Model placed in pixels; the scale is pixels per model unit.
void drawModelOnScreen(float px, float py, float rotation, float scale, int32_t model) {
    Engine* engine = game.shell.engine;
    const Model* m = actormath::modelAt(model);
    if (engine == nullptr || m == nullptr) return;
    forEachTurnedLine(*m, rotation, [&](const ModelLine& line, SinCos h1, SinCos h2) {
        float x1 = px + scale * line.radius1 * h1.s;
        float y1 = py + scale * line.radius1 * h1.c;
        float x2 = px + scale * line.radius2 * h2.s;
        float y2 = py + scale * line.radius2 * h2.c;
        engine->Gfx_RenderLine(x1, y1, x2, y2, line.color, lineDepth);
    });
}
