// The index of Emitters bound to Actors: removing an Actor touches only its own Emitters
// and those of the Actor that moves into its place, never the whole Emitter list, so
// that many removals in one step stay linear however many Emitters are pending.
#include "actors/actors.h"
#include "core/game_state.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace {

// The Emitter at a position of the list.
Emitter& at(int32_t pos) { return game.world.emitters[static_cast<size_t>(pos)]; }

// True when `actor` can be the index of a listed Actor, and so has a chain of its own.
bool linkable(int32_t actor) {
    return actor >= 0 && static_cast<size_t>(actor) < limits::maxActors;
}

// Puts the Emitter at `pos` at the head of the chain of the Actor it is bound to.
void link(int32_t pos) {
    EmitterLinks& l = game.world.emitterLinks;
    Emitter& e = at(pos);
    e.previousBound = -1;
    e.nextBound = -1;
    if (!linkable(e.attached)) return;
    const auto a = static_cast<size_t>(e.attached);
    if (a >= l.first.size()) l.first.resize(a + 1, -1);
    const int32_t head = l.first[a];
    e.nextBound = head;
    if (head >= 0) at(head).previousBound = pos;
    l.first[a] = pos;
}

// Takes the Emitter at `pos` out of its Actor's chain.
void unlink(int32_t pos) {
    EmitterLinks& l = game.world.emitterLinks;
    Emitter& e = at(pos);
    const int32_t before = e.previousBound;
    const int32_t after = e.nextBound;
    if (before >= 0) {
        at(before).nextBound = after;
    } else if (linkable(e.attached) && static_cast<size_t>(e.attached) < l.first.size() &&
               l.first[static_cast<size_t>(e.attached)] == pos) {
        l.first[static_cast<size_t>(e.attached)] = after;
    }
    if (after >= 0) at(after).previousBound = before;
    e.previousBound = -1;
    e.nextBound = -1;
}

// Builds the chains afresh from the Emitter list.
void rebuild() {
    EmitterLinks& l = game.world.emitterLinks;
    std::fill(l.first.begin(), l.first.end(), -1);
    l.listed = game.world.emitters.size();
    for (size_t p = 0; p < l.listed; ++p) link(static_cast<int32_t>(p));
}

// Rebuilds the chains when the Emitter list was changed without them (emptied by a new
// game, or filled directly by a test).
void keepInStep() {
    if (game.world.emitterLinks.listed != game.world.emitters.size()) rebuild();
}

// Removes the Emitter at `pos`: the last one is copied into its place.
void removeAt(int32_t pos) {
    auto& emitters = game.world.emitters;
    const auto last = static_cast<int32_t>(emitters.size() - 1);
    unlink(pos);
    if (pos < last) {
        unlink(last);
        emitters[static_cast<size_t>(pos)] = emitters.back();
        link(pos);
    }
    emitters.pop_back();
    game.world.emitterLinks.listed = emitters.size();
}

// Fills the scratch list with the positions of the Emitters bound to `actor`; false if
// a chain no longer matches the list (the caller then rebuilds and asks again).
bool collect(int32_t actor) {
    EmitterLinks& l = game.world.emitterLinks;
    l.scratch.clear();
    if (!linkable(actor) || static_cast<size_t>(actor) >= l.first.size()) return true;
    const auto count = static_cast<int32_t>(game.world.emitters.size());
    for (int32_t pos = l.first[static_cast<size_t>(actor)]; pos >= 0; pos = at(pos).nextBound) {
        if (pos >= count || at(pos).attached != actor || l.scratch.size() >= game.world.emitters.size())
            return false;
        l.scratch.push_back(pos);
    }
    return true;
}

// collect, rebuilding the chains first if they turn out stale.
void collectChecked(int32_t actor) {
    if (!collect(actor)) {
        rebuild();
        collect(actor);
    }
}

}  // namespace

void appendEmitter(const Emitter& emitter) {
    keepInStep();
    game.world.emitters.push_back(emitter);
    game.world.emitterLinks.listed = game.world.emitters.size();
    link(static_cast<int32_t>(game.world.emitters.size() - 1));
}

void retireEmitter(size_t j) {
    keepInStep();
    if (j >= game.world.emitters.size()) return;
    removeAt(static_cast<int32_t>(j));
}

void dropEmittersOf(int32_t index, int32_t last) {
    // The list walk from the last Emitter down removes every Emitter bound to `index` in
    // the order of their positions, highest first, each time copying the then-last Emitter
    // into the freed place; Emitters moved that way were already looked at and are never
    // bound to `index`. The Emitters bound to `last` are all re-pointed, wherever they end
    // up.
    keepInStep();
    EmitterLinks& l = game.world.emitterLinks;
    collectChecked(index);
    std::sort(l.scratch.begin(), l.scratch.end(), std::greater<>());
    for (int32_t pos : l.scratch) removeAt(pos);
    if (last == index) return;
    collectChecked(last);
    for (int32_t pos : l.scratch) {
        unlink(pos);
        at(pos).attached = index;
        link(pos);
    }
}
