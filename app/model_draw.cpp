// Drawing Models on the playfield (world units) or anywhere on the screen (pixels), with
// the sines and cosines of their line ends worked out several at a time, and the Actors'
// Models kept turned from one frame to the next while their look stays the same.
#include "app/app.h"

#include "actors/actor_math.h"
#include "core/game_state.h"
#include "core/trig.h"
#include "platform/workers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace {


// Lines of a Model turned together: this many at a time, on the stack.
constexpr size_t turnedLinesPerChunk = 32;

// Models of more lines than this are turned afresh every frame: few Actors carry them,
// and so the kept lines stay within 31 per Actor list position (see makeRoom).
constexpr uint32_t maxKeptLines = 16;

// A Model line turned and scaled: end k lies scale * radiusk away in the direction whose
// sine and cosine are hk, x by the sine and y by the cosine (scale times radius first).
inline TurnedLine turnLine(const ModelLine& line, float scale, SinCos h1, SinCos h2) {
    return TurnedLine{scale * line.radius1 * h1.s, scale * line.radius1 * h1.c,
                      scale * line.radius2 * h2.s, scale * line.radius2 * h2.c};
}

// Turns and scales `lines` into `out` (one record per line, same order): end k of a line
// in the direction rotation + anglek.
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
        for (size_t k = 0; k < count; ++k)
            out[first + k] = turnLine(lines[first + k], scale, turns[2 * k], turns[2 * k + 1]);
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

// One turned Model line around (x, y) in world units, in screen pixels on the playfield.
inline ScreenLine placeInPlayfield(const PlayfieldLayout& layout, float x, float y, const TurnedLine& t,
                                   uint32_t color) {
    return ScreenLine{(x + t.x1) * layout.pixelsPerUnitX + layout.playfieldLeft,
                      (y + t.y1) * layout.pixelsPerUnitY + layout.playfieldTop,
                      (x + t.x2) * layout.pixelsPerUnitX + layout.playfieldLeft,
                      (y + t.y2) * layout.pixelsPerUnitY + layout.playfieldTop, color};
}

// Draws one turned Model line around (x, y) in world units on the playfield.
inline void drawTurnedLineInPlayfield(Engine& engine, const PlayfieldLayout& layout, float x, float y,
                                      const TurnedLine& t, uint32_t color) {
    const ScreenLine l = placeInPlayfield(layout, x, y, t, color);
    engine.Gfx_RenderLine(l.x1, l.y1, l.x2, l.y2, l.color, lineDepth);
}

// Room for `count` lines: the next power of two, so that a list position taking Actors of
// Models of about the same size keeps its room.
uint32_t roomFor(uint32_t count) {
    return std::bit_ceil(count);
}

// Makes a kept-lines slot for every Actor list position.
void growDrawCache(size_t actorCount) {
    DrawCache& cache = app.drawCache;
    if (cache.slots.size() < actorCount) cache.slots.resize(actorCount);
}

// True for Models whose turned lines are kept: measured, 1 to maxKeptLines lines, with
// their distinct end angles listed.
bool keepsTurnedLines(const Model& m) {
    return m.lineReach >= 0 && !m.lines.empty() && m.lines.size() <= maxKeptLines &&
           m.endAngleOf.size() == 2 * m.lines.size();
}

// How an Actor with kept lines is drawn this frame.
enum class SlotUse : uint8_t {
    kept,           // from the slot's lines, which are up to date
    turn,           // turned afresh, not kept: its look changed since the last frame
    turnAndKeep,    // turned afresh and kept: its look stayed the same for a frame
    keepInNewRoom,  // as turnAndKeep, once the slot has room for the lines
    notKept,        // its Model's lines are never kept
};

// How the Actor in `slot` with Model `m`, turned by `rotation` at `scale`, is drawn, the
// slot made ready for it (but for its room: see makeRoom). Lines turned again next frame
// are not worth keeping, so the lines are kept only once the look has stayed the same
// (bit for bit) for a frame: Actors that turn every step skip the copy.
SlotUse useOfSlot(TurnedSlot& slot, const Model& m, float rotation, float scale) {
    const auto count = static_cast<uint32_t>(m.lines.size());
    const auto rotationBits = std::bit_cast<uint32_t>(rotation);
    const auto scaleBits = std::bit_cast<uint32_t>(scale);
    if (slot.lines != m.lines.data() || slot.lineCount != count ||
        slot.modelStamp != game.defs.modelStamp || slot.rotationBits != rotationBits ||
        slot.scaleBits != scaleBits) {
        slot.lines = m.lines.data();
        slot.modelStamp = game.defs.modelStamp;
        slot.lineCount = count;
        slot.rotationBits = rotationBits;
        slot.scaleBits = scaleBits;
        slot.filled = false;
        return SlotUse::turn;
    }
    if (slot.filled) return SlotUse::kept;
    slot.filled = true;
    return slot.room < count ? SlotUse::keepInNewRoom : SlotUse::turnAndKeep;
}

// Gives the slot room for `count` lines. The old room is left unused; rooms only grow, so
// a slot never holds more than 1 + 2 + 4 + 8 + 16 lines in all.
void makeRoom(TurnedSlot& slot, uint32_t count) {
    DrawCache& cache = app.drawCache;
    slot.room = roomFor(count);
    slot.first = static_cast<uint32_t>(cache.lines.size());
    cache.lines.resize(cache.lines.size() + slot.room);
}

// Line k of `m` turned at `scale`, the sine and cosine of each end's angle (rotation +
// end angle) taken from `turns` by the Model's end angle list: the very floats turnLines
// gives.
inline TurnedLine turnedFrom(const Model& m, size_t k, float scale, const SinCos* turns) {
    return turnLine(m.lines[k], scale, turns[m.endAngleOf[2 * k]], turns[m.endAngleOf[2 * k + 1]]);
}

// Actors whose Models are turned together: the distinct end angles of all of them go
// through one batch of sines and cosines.
constexpr size_t actorsPerTurn = 32;
constexpr size_t maxTurnAngles = actorsPerTurn * 2 * maxKeptLines;

// Lines handed to the engine in one batch at most, to bound the batch's memory (20 MiB).
constexpr size_t maxBatchLines = size_t{1} << 20;

// Actors of a batch that one task turns and places.
constexpr size_t actorsPerTask = 4096;

// The Actors being drawn, by draw position d (list position count - 1 - d): where each
// one's lines begin, counted from its survey task's first line (see taskFirstLine); how
// each is drawn; per survey task of actorsPerTask Actors, its lines, whether any of its
// Actors needs a new room, and where its lines begin in the current batch; and the
// batch's lines. Kept from frame to frame for their memory.
struct ActorBatch {
    size_t count = 0;
    std::vector<uint32_t> firstLine;
    std::vector<SlotUse> use;
    std::vector<size_t> taskLines;
    std::vector<uint8_t> taskNeedsRooms;
    std::vector<size_t> taskFirstLine;
    std::vector<ScreenLine> lines;
};

// The one batch drawing uses, its memory kept for the whole run.
ActorBatch& actorBatch() {
    static ActorBatch batch;
    return batch;
}

// The list position of draw position d.
inline size_t listPosition(const ActorBatch& batch, size_t d) {
    return batch.count - 1 - d;
}

// The lines Actor `a` draws.
inline uint32_t linesOf(const Actor& a) {
    const Model* m = actormath::modelAt(a.model);
    return m != nullptr ? static_cast<uint32_t>(m->lines.size()) : 0;
}

// Survey task k: how the Actors of its draw positions draw, and where their lines begin
// counted from the task's first line (their slots made ready but for new rooms); the
// task's line count and whether any needs a new room. Each touches only its own Actors'
// entries and slots.
void surveyActors(ActorBatch& batch, size_t k) {
    const auto& actors = game.world.actors;
    const size_t first = k * actorsPerTask, last = std::min(first + actorsPerTask, batch.count);
    size_t lines = 0;
    bool rooms = false;
    // Crowds are mostly of one Model: it is looked up again only when the Model changes.
    int32_t model = -1;
    const Model* m = nullptr;
    size_t modelLines = 0;
    bool keeps = false;
    for (size_t d = first; d < last; ++d) {
        const size_t i = listPosition(batch, d);
        const Actor& a = actors[i];
        if (a.model != model) {
            model = a.model;
            m = actormath::modelAt(model);
            modelLines = m != nullptr ? m->lines.size() : 0;
            keeps = m != nullptr && keepsTurnedLines(*m);
        }
        batch.firstLine[d] = static_cast<uint32_t>(lines);
        lines += modelLines;
        const SlotUse use = keeps ? useOfSlot(app.drawCache.slots[i], *m, a.angle + a.rotate, a.scale)
                                  : SlotUse::notKept;
        batch.use[d] = use;
        rooms |= use == SlotUse::keepInNewRoom;
    }
    batch.taskLines[k] = lines;
    batch.taskNeedsRooms[k] = rooms ? 1 : 0;
}

// When every surveyed line fits one batch (the usual case): makes the rooms the kept lines
// need and places each task's lines after the last one's. False, with nothing changed,
// otherwise.
bool formOneBatch(ActorBatch& batch) {
    const size_t tasks = batch.taskLines.size();
    size_t lines = 0;
    for (size_t k = 0; k < tasks; ++k) lines += batch.taskLines[k];
    if (lines > maxBatchLines) return false;
    lines = 0;
    for (size_t k = 0; k < tasks; ++k) {
        batch.taskFirstLine[k] = lines;
        lines += batch.taskLines[k];
        if (batch.taskNeedsRooms[k] == 0) continue;
        const size_t last = std::min((k + 1) * actorsPerTask, batch.count);
        for (size_t d = k * actorsPerTask; d < last; ++d) {
            if (batch.use[d] != SlotUse::keepInNewRoom) continue;
            const size_t i = listPosition(batch, d);
            makeRoom(app.drawCache.slots[i], linesOf(game.world.actors[i]));
            batch.use[d] = SlotUse::turnAndKeep;
        }
    }
    batch.lines.resize(lines);
    return true;
}

// Makes the batch of the surveyed Actors from draw position `first` on whose lines fit it:
// where each one's lines begin (from the batch's start: every task's first line is 0),
// and the rooms the kept ones need. Returns the draw position after the batch.
size_t formBatch(ActorBatch& batch, size_t first) {
    std::fill(batch.taskFirstLine.begin(), batch.taskFirstLine.end(), 0);
    size_t lines = 0, d = first;
    for (; d < batch.count; ++d) {
        const uint32_t count = linesOf(game.world.actors[listPosition(batch, d)]);
        if (lines > 0 && lines + count > maxBatchLines) break;
        batch.firstLine[d] = static_cast<uint32_t>(lines);
        lines += count;
        if (batch.use[d] == SlotUse::keepInNewRoom) {
            makeRoom(app.drawCache.slots[listPosition(batch, d)], count);
            batch.use[d] = SlotUse::turnAndKeep;
        }
    }
    batch.lines.resize(lines);
    return d;
}

// The sines and cosines of the end angles of the Actors turned afresh among the batch's
// draw positions [first, last), all in one batch; anglesAt[d - first] tells where each
// one's begin.
void turnGroup(const ActorBatch& batch, size_t first, size_t last, std::span<SinCos> turns,
               std::span<uint32_t> anglesAt) {
    const auto& actors = game.world.actors;
    std::array<float, maxTurnAngles> angles;
    size_t angleCount = 0;
    for (size_t d = first; d < last; ++d) {
        const SlotUse use = batch.use[d];
        if (use == SlotUse::kept || use == SlotUse::notKept) continue;
        const Actor& a = actors[listPosition(batch, d)];
        const float rotation = a.angle + a.rotate;
        anglesAt[d - first] = static_cast<uint32_t>(angleCount);
        for (const float angle : actormath::modelAt(a.model)->endAngles)
            angles[angleCount++] = rotation + angle;
    }
    sinCosBatch({angles.data(), angleCount}, turns.first(angleCount));
}

// Turns and places the lines of the batch's draw positions [first, last), the Actors
// turned afresh a few at a time. Each touches only its own Actors' lines and kept lines.
void placeBatchLines(ActorBatch& batch, size_t first, size_t last) {
    // The layout, each Actor's position and its Model's lines are read into locals: the
    // lines written could otherwise alias them, and they would be read again for every
    // line. Groups with no Actor to turn (a crowd whose look stays the same) skip turnGroup,
    // and the Model is looked up again only when it changes from one Actor to the next.
    const auto& actors = game.world.actors;
    const PlayfieldLayout layout = game.layout;
    DrawCache& cache = app.drawCache;
    std::array<SinCos, maxTurnAngles> turns;
    std::array<uint32_t, actorsPerTurn> anglesAt;
    int32_t model = -1;  // the Model last looked up, as in surveyActors
    const Model* m = nullptr;
    for (size_t group = first; group < last; group += actorsPerTurn) {
        const size_t groupEnd = std::min(group + actorsPerTurn, last);
        const bool anyTurns = std::any_of(batch.use.begin() + group, batch.use.begin() + groupEnd,
                                          [](SlotUse use) { return use != SlotUse::kept; });
        if (anyTurns) turnGroup(batch, group, groupEnd, turns, anglesAt);
        for (size_t d = group; d < groupEnd; ++d) {
            const size_t i = listPosition(batch, d);
            const Actor& a = actors[i];
            if (a.model != model) {
                model = a.model;
                m = actormath::modelAt(model);
            }
            if (m == nullptr || m->lines.empty()) continue;
            const float x = a.x, y = a.y;
            const ModelLine* lines = m->lines.data();
            const size_t count = m->lines.size();
            ScreenLine* out =
                batch.lines.data() + batch.taskFirstLine[d / actorsPerTask] + batch.firstLine[d];
            switch (batch.use[d]) {
            case SlotUse::notKept:
                forEachTurnedLine(*m, a.angle + a.rotate, a.scale,
                                  [&](const ModelLine& line, const TurnedLine& t) {
                    *out++ = placeInPlayfield(layout, x, y, t, line.color);
                });
                break;
            case SlotUse::kept: {
                const TurnedLine* kept = cache.lines.data() + cache.slots[i].first;
                for (size_t k = 0; k < count; ++k)
                    out[k] = placeInPlayfield(layout, x, y, kept[k], lines[k].color);
                break;
            }
            case SlotUse::turn:
            case SlotUse::keepInNewRoom: {  // (made turnAndKeep by formBatch)
                const SinCos* own = turns.data() + anglesAt[d - group];
                for (size_t k = 0; k < count; ++k)
                    out[k] = placeInPlayfield(layout, x, y, turnedFrom(*m, k, a.scale, own),
                                              lines[k].color);
                break;
            }
            case SlotUse::turnAndKeep: {
                const SinCos* own = turns.data() + anglesAt[d - group];
                TurnedLine* kept = cache.lines.data() + cache.slots[i].first;
                for (size_t k = 0; k < count; ++k) {
                    kept[k] = turnedFrom(*m, k, a.scale, own);
                    out[k] = placeInPlayfield(layout, x, y, kept[k], lines[k].color);
                }
                break;
            }
            }
        }
    }
}

}  // namespace

void drawModelInPlayfield(float x, float y, float rotation, float scale, int32_t model) {
    Engine* engine = game.platform.engine;
    const Model* m = actormath::modelAt(model);
    if (engine == nullptr || m == nullptr) return;
    const PlayfieldLayout& layout = game.layout;
    forEachTurnedLine(*m, rotation, scale, [&](const ModelLine& line, const TurnedLine& t) {
        drawTurnedLineInPlayfield(*engine, layout, x, y, t, line.color);
    });
}

void drawModelOnScreen(float px, float py, float rotation, float scale, int32_t model) {
    Engine* engine = game.platform.engine;
    const Model* m = actormath::modelAt(model);
    if (engine == nullptr || m == nullptr) return;
    forEachTurnedLine(*m, rotation, scale, [&](const ModelLine& line, const TurnedLine& t) {
        engine->Gfx_RenderLine(px + t.x1, py + t.y1, px + t.x2, py + t.y2, line.color,
                               lineDepth);
    });
}

void drawActorsInPlayfield() {
    // Draws every Actor's Model turned by angle + rotate, from the last Actor to the first,
    // handed to the engine in large batches. Actors whose look is unchanged are drawn from
    // their kept turned lines, others turned again (each end angle of a Model once), or as
    // drawModelInPlayfield turns them; all give the same floats. Surveying the Actors and
    // turning them are shared among the drawing workers; only cutting the batches and
    // making rooms for kept lines (where the kept lines may move) are done on this thread.
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return;
    const size_t count = game.world.actors.size();
    if (count == 0) return;
    growDrawCache(count);
    ActorBatch& batch = actorBatch();
    batch.count = count;
    batch.firstLine.resize(count);
    batch.use.resize(count);
    // Runs task(first, last) over draw positions [from, to) in tasks of actorsPerTask.
    auto shareOut = [](size_t from, size_t to, auto task) {
        const size_t tasks = (to - from + actorsPerTask - 1) / actorsPerTask;
        drawingWorkers().run(static_cast<int>(tasks), [&](int k) {
            const size_t first = from + static_cast<size_t>(k) * actorsPerTask;
            task(first, std::min(first + actorsPerTask, to));
        });
    };
    const size_t tasks = (count + actorsPerTask - 1) / actorsPerTask;
    batch.taskLines.resize(tasks);
    batch.taskNeedsRooms.resize(tasks);
    batch.taskFirstLine.resize(tasks);
    drawingWorkers().run(static_cast<int>(tasks),
                         [&](int k) { surveyActors(batch, static_cast<size_t>(k)); });
    if (formOneBatch(batch)) {
        shareOut(0, count, [&](size_t from, size_t to) { placeBatchLines(batch, from, to); });
        engine->Gfx_RenderLines(batch.lines, lineDepth);
        return;
    }
    for (size_t first = 0; first < count;) {
        const size_t last = formBatch(batch, first);
        shareOut(first, last, [&](size_t from, size_t to) { placeBatchLines(batch, from, to); });
        engine->Gfx_RenderLines(batch.lines, lineDepth);
        first = last;
    }
}
