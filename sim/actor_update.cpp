// The per-step Actor update: motion, the position events, life periods and removal, with
// the graze events of hostile Actors passing close by the ship.
#include "sim/sim.h"

#include "actors/actor_math.h"
#include "actors/actors.h"
#include "core/game_state.h"
#include "core/numbers.h"
#include "script/script.h"

#include <cmath>
#include <cstdint>

namespace {

// How close to the ship's centre a hostile Actor's centre must cross the ship's row or
// column to graze it, in world units (about five hit radii of the starting ship).
constexpr float grazeReach = 0.04f;

// The "f" edge events: true when no line end can lie outside the playfield, decided
// without the trigonometry. Each end is at most |radius x scale| from the Actor (plus
// float rounding, covered by the margin), so an Actor that far inside has a smallest x
// below 1, a smallest y below 1.5, a largest x above 0 and a largest y above 0.
bool deepInside(const Actor& a, const Model& model) {
    // An unmeasured Model (built by hand, not loaded) takes the full computation.
    if (model.lines.empty() || !(model.lineReach >= 0)) return false;
    const float reach = model.lineReach;
    const float scale = a.scale < 0 ? -a.scale : a.scale;
    const float margin = reach * scale * 1.001f + 1e-4f;
    return a.x >= margin && a.x <= 1.0f - margin && a.y >= margin &&
           a.y <= num::playfieldHeight - margin;
}

// Steps 6 and 7 of the update: the "f" edge events from one set of bounds.
void fireModelEdgeEvents(size_t i) {
    auto& actors = game.world.actors;
    const auto index = static_cast<int32_t>(i);
    const Model* model = actormath::modelAt(actors[i].model);
    if (model != nullptr && deepInside(actors[i], *model)) return;
    const Bounds b = modelBounds(actors[i]);
    if (b.minX > 1.0f) fireEvent(actors[i], EventCode::onfright, index);
    if (b.minY > num::playfieldHeight) fireEvent(actors[i], EventCode::onfbottom, index);
    if (b.maxX < 0.0f) fireEvent(actors[i], EventCode::onfleft, index);
    if (b.maxY < 0.0f) fireEvent(actors[i], EventCode::onftop, index);
}

// A graze: hostile Actor i, which has just crossed the first ship's row or column, did so
// within grazeReach of the ship's centre. Only the event list hears of it.
void noteGraze(size_t i, float px, float py) {
    const Actor& a = game.world.actors[i];
    if (a.owner != 0 || a.player != 0 || game.world.players.empty()) return;
    const float dx = a.x - px;
    const float dy = a.y - py;
    const float distanceSquared = dx * dx + dy * dy;
    if (!(distanceSquared < grazeReach * grazeReach)) return;
    game.events.add({StepEventKind::Graze, static_cast<int32_t>(i), 0, a.x, a.y,
                     std::sqrt(distanceSquared)});
}

// The update of Actor i, steps 1 to 12, addressing it through the list after every script.
void updateActor(size_t i) {
    auto& actors = game.world.actors;
    const auto index = static_cast<int32_t>(i);
    num::decrement(actors[i].life);
    fireEvent(actors[i], EventCode::onevery, index);
    advanceActor(actors[i]);

    const float px = actormath::firstPlayerX();
    const float py = actormath::firstPlayerY();
    const bool crossedX = (actors[i].x < px ? 1 : 0) != actors[i].samex;
    if (crossedX || (actors[i].y < py ? 1 : 0) != actors[i].samey) noteGraze(i, px, py);
    if (crossedX) fireEvent(actors[i], EventCode::onsamex, index);
    if ((actors[i].y < py ? 1 : 0) != actors[i].samey)
        fireEvent(actors[i], EventCode::onsamey, index);

    fireModelEdgeEvents(i);

    actors[i].samex = actors[i].x < px ? 1 : 0;
    actors[i].samey = actors[i].y < py ? 1 : 0;

    if (actors[i].x < 0.0f) fireEvent(actors[i], EventCode::onleft, index);
    if (actors[i].x > 1.0f) fireEvent(actors[i], EventCode::onright, index);
    if (actors[i].y < 0.0f) fireEvent(actors[i], EventCode::ontop, index);
    if (actors[i].y > num::playfieldHeight) fireEvent(actors[i], EventCode::onbottom, index);

    if (actors[i].life <= 0) fireEvent(actors[i], EventCode::ontime, index);
    if (actors[i].life <= 0) {
        num::decrement(actors[i].repeat);
        if (actors[i].repeat > 0) actors[i].life = actors[i].rlife;
        else fireEvent(actors[i], EventCode::ontimes, index);
    }
    if (actors[i].repeat <= 0) removeActor(index);
}

}  // namespace

void updateActors() {
    game.scriptWork = 0;
    auto& actors = game.world.actors;
    HeadingQueue nextHeadings;
    for (size_t i = actors.size(); i-- > 0;) {
        if (i >= actors.size()) continue;
        updateActor(i);
        if (i < actors.size()) queueNextHeading(nextHeadings, actors, i);
    }
    measureQueuedHeadings(nextHeadings, actors);
}
