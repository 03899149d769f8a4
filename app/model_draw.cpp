// Drawing Models on the playfield (world units) or anywhere on the screen (pixels), with
// the sines and cosines of their line ends worked out several at a time, and the Actors'
// Models kept turned from one frame to the next while their look stays the same.
#include "app/app.h"

#include "actors/actor_math.h"
#include "core/game_state.h"
#include "core/trig.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace {

// Depth of every line the game draws.
constexpr float lineDepth = 0.5f;

// Lines of a Model turned together: this many at a time, on the stack.
constexpr size_t turnedLinesPerChunk = 32;

// Models of more lines than this are turned afresh every frame: few Actors carry them,
// and so the kept lines stay within 31 per Actor list position (see keptTurnedLines).
constexpr uint32_t maxKeptLines = 16;

// Turns and scales `lines` into `out` (one record per line, same order): end k of a line
// lies scale * radiusk away in the direction rotation + anglek, x by the sine and y by the
// cosine.
void turnLines(std::span<const ModelLine> lines, float rotation, float scale,
               std::span<TurnedLine> out) {
    std::array<float, 2 * turnedLinesPerChunk> angles;
    std::array<SinCos, 2 * turnedLinesPerChunk> turns;
    for (size_t first = 0; first < lines.size(); first += turnedLinesPerChunk) {
        const size_t count = std::min(turnedLinesPerChunk, lines.size() - first);
        for (size_t k = 0; k < count; ++k) {
            angles[2 * k] = rotation + lines[first + k].angle1;
            angles[2 * k + 1] = rotation + lines[first + k].angle2;
        }
        sinCosBatch({angles.data(), 2 * count}, {turns.data(), 2 * count});
        for (size_t k = 0; k < count; ++k) {
            const ModelLine& line = lines[first + k];
            const SinCos h1 = turns[2 * k], h2 = turns[2 * k + 1];
            // Scale times radius first, then the sine or cosine.
            out[first + k] = TurnedLine{scale * line.radius1 * h1.s, scale * line.radius1 * h1.c,
                                        scale * line.radius2 * h2.s, scale * line.radius2 * h2.c};
        }
    }
}

// Calls draw(line, its turned ends) for every line of `m`, a chunk of lines at a time.
template <class Draw>
void forEachTurnedLine(const Model& m, float rotation, float scale, Draw draw) {
    std::array<TurnedLine, turnedLinesPerChunk> turned;
    const std::span<const ModelLine> lines = m.lines;
    for (size_t first = 0; first < lines.size(); first += turnedLinesPerChunk) {
        const size_t count = std::min(turnedLinesPerChunk, lines.size() - first);
        turnLines(lines.subspan(first, count), rotation, scale, {turned.data(), count});
        for (size_t k = 0; k < count; ++k) draw(lines[first + k], turned[k]);
    }
}

// Draws one turned Model line around (x, y) in world units on the playfield.
inline void drawTurnedLineInPlayfield(Engine& engine, const Shell& shell, float x, float y,
                                      const TurnedLine& t, uint32_t color) {
    engine.Gfx_RenderLine((x + t.x1) * shell.pixelsPerUnitX + shell.playfieldLeft,
                          (y + t.y1) * shell.pixelsPerUnitY + shell.playfieldTop,
                          (x + t.x2) * shell.pixelsPerUnitX + shell.playfieldLeft,
                          (y + t.y2) * shell.pixelsPerUnitY + shell.playfieldTop, color,
                          lineDepth);
}

// Room for `count` lines: the next power of two, so that a list position taking Actors of
// Models of about the same size keeps its room.
uint32_t roomFor(uint32_t count) {
    return std::bit_ceil(count);
}

// Makes a kept-lines slot for every Actor list position.
void growDrawCache(size_t actorCount) {
    DrawCache& cache = game.drawCache;
    if (cache.slots.size() < actorCount) cache.slots.resize(actorCount);
}

// The turned lines of the Actor at list position `index`, whose measured Model `m` has 1 to
// maxKeptLines lines: the kept ones when Model, rotation and scale match bit for bit, else
// turned now and kept.
std::span<const TurnedLine> keptTurnedLines(size_t index, const Model& m, float rotation,
                                            float scale) {
    DrawCache& cache = game.drawCache;
    TurnedSlot& slot = cache.slots[index];
    const auto count = static_cast<uint32_t>(m.lines.size());
    const auto rotationBits = std::bit_cast<uint32_t>(rotation);
    const auto scaleBits = std::bit_cast<uint32_t>(scale);
    if (slot.lines != m.lines.data() || slot.lineCount != count ||
        slot.modelStamp != game.defs.modelStamp || slot.rotationBits != rotationBits ||
        slot.scaleBits != scaleBits) {
        if (slot.room < count) {
            // The old room is left unused; rooms only grow, so a slot never holds more
            // than 1 + 2 + 4 + 8 + 16 lines in all.
            slot.room = roomFor(count);
            slot.first = static_cast<uint32_t>(cache.lines.size());
            cache.lines.resize(cache.lines.size() + slot.room);
        }
        slot.lines = m.lines.data();
        slot.modelStamp = game.defs.modelStamp;
        slot.lineCount = count;
        slot.rotationBits = rotationBits;
        slot.scaleBits = scaleBits;
        turnLines(m.lines, rotation, scale, {cache.lines.data() + slot.first, count});
    }
    return {cache.lines.data() + slot.first, count};
}

}  // namespace

// Draws a Model placed in world units on the playfield; y grows downwards.
void drawModelInPlayfield(float x, float y, float rotation, float scale, int32_t model) {
    Engine* engine = game.shell.engine;
    const Model* m = actormath::modelAt(model);
    if (engine == nullptr || m == nullptr) return;
    const Shell& shell = game.shell;
    forEachTurnedLine(*m, rotation, scale, [&](const ModelLine& line, const TurnedLine& t) {
        drawTurnedLineInPlayfield(*engine, shell, x, y, t, line.color);
    });
}

// Draws a Model placed in pixels; the scale is pixels per model unit.
void drawModelOnScreen(float px, float py, float rotation, float scale, int32_t model) {
    Engine* engine = game.shell.engine;
    const Model* m = actormath::modelAt(model);
    if (engine == nullptr || m == nullptr) return;
    forEachTurnedLine(*m, rotation, scale, [&](const ModelLine& line, const TurnedLine& t) {
        engine->Gfx_RenderLine(px + t.x1, py + t.y1, px + t.x2, py + t.y2, line.color,
                               lineDepth);
    });
}

// Draws every Actor's Model turned by angle + rotate, from the last Actor to the first.
// Measured Models of up to maxKeptLines lines come from the kept turned lines; others are
// turned as drawModelInPlayfield turns them. Both give the same floats.
void drawActorsInPlayfield() {
    Engine* engine = game.shell.engine;
    if (engine == nullptr) return;
    const auto& actors = game.world.actors;
    const Shell& shell = game.shell;
    growDrawCache(actors.size());
    for (size_t i = actors.size(); i-- > 0;) {
        const Actor& a = actors[i];
        const Model* m = actormath::modelAt(a.model);
        if (m == nullptr || m->lines.empty()) continue;
        const float rotation = a.angle + a.rotate;
        if (m->lineReach < 0 || m->lines.size() > maxKeptLines) {
            drawModelInPlayfield(a.x, a.y, rotation, a.scale, a.model);
            continue;
        }
        const std::span<const TurnedLine> turned = keptTurnedLines(i, *m, rotation, a.scale);
        for (size_t k = 0; k < turned.size(); ++k)
            drawTurnedLineInPlayfield(*engine, shell, a.x, a.y, turned[k], m->lines[k].color);
    }
}
