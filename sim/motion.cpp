// Actor motion: the per-step integration, where model points lie in the world, and the
// extent of an Actor's model used by the "f" edge events.
#include "actors/actor_math.h"
#include "core/game_state.h"
#include "sim/sim.h"

#include <cstdint>
#include <cstring>

namespace {

// Sine and cosine of the Actor's heading, measured again only when the heading's bits
// changed since the last measurement (most bullets fly straight).
SinCos headingSinCos(Actor& actor) {
    uint32_t heading = 0;
    uint32_t key = 0;
    std::memcpy(&heading, &actor.angle, sizeof heading);
    std::memcpy(&key, &actor.headingKey, sizeof key);
    if (heading != key) {
        actor.headingSinCos = sinCosF32(actor.angle);
        actor.headingKey = actor.angle;
    }
    return actor.headingSinCos;
}

}  // namespace

void advanceActor(Actor& actor) {
    actor.speed = actor.speed + actor.speeddelta;
    actor.angle = actor.angle + actor.andelta;
    actor.rotate = actor.rotate + actor.rotatedelta;
    actor.scale = actor.scale + actor.scaledelta;
    const SinCos h = headingSinCos(actor);
    actor.x = actor.x + h.s * actor.speed;
    actor.y = actor.y + h.c * actor.speed;
}

void measureQueuedHeadings(HeadingQueue& queue, std::span<Actor> actors) {
    // Measures the queued headings in one batch and keeps each, with its sine and cosine,
    // in the Actor now at its list position. An Actor moved there since holds a pair that
    // still matches (only sooner of use); an Actor whose heading changes before its next
    // turn just has it measured again then.
    std::array<SinCos, HeadingQueue::capacity> turns;
    sinCosBatch({queue.angles.data(), queue.count}, {turns.data(), queue.count});
    for (size_t k = 0; k < queue.count; ++k) {
        if (queue.positions[k] >= actors.size()) continue;
        Actor& a = actors[queue.positions[k]];
        a.headingKey = queue.angles[k];
        a.headingSinCos = turns[k];
    }
    queue.count = 0;
}

Point worldPoint(float x, float y, float turn, float scale, float a, float d) {
    const SinCos h = sinCosF32(turn + a);
    Point p;
    p.x = x + h.s * d * scale;
    p.y = y + h.c * d * scale;
    return p;
}

Bounds modelBounds(const Actor& actor) {
    // Smallest and largest world x and y over the Actor's model line ends, turned by the
    // heading alone. The start values lie outside the playfield, so a Model without lines
    // (or an index outside the registry) counts as outside on every side.
    Bounds b{1.1f, 1.6f, -0.1f, -0.1f};
    const Model* model = actormath::modelAt(actor.model);
    if (model == nullptr) return b;
    for (const ModelLine& line : model->lines) {
        for (int end = 0; end < 2; ++end) {
            const float a = end == 0 ? line.angle1 : line.angle2;
            const float d = end == 0 ? line.radius1 : line.radius2;
            const Point p = worldPoint(actor.x, actor.y, actor.angle, actor.scale, a, d);
            if (p.x < b.minX) b.minX = p.x;
            if (p.y < b.minY) b.minY = p.y;
            if (p.x > b.maxX) b.maxX = p.x;
            if (p.y > b.maxY) b.maxY = p.y;
        }
    }
    return b;
}
