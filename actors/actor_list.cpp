// The Actor list: appending, unordered removal with Emitter re-pointing and the graze
// score, and clearing.
#include "actors/actor_math.h"
#include "actors/actors.h"
#include "core/game_state.h"
#include "core/numbers.h"

#include <cmath>

void appendActor(const Actor& actor) {
    auto& actors = game.world.actors;
    if (actors.size() >= limits::maxActors) return;
    actors.push_back(actor);
}

void removeActor(int32_t index) {
    auto& actors = game.world.actors;
    if (index < 0 || static_cast<size_t>(index) >= actors.size()) return;
    const auto i = static_cast<size_t>(index);
    const auto last = static_cast<int32_t>(actors.size() - 1);

    dropEmittersOf(index, last);

    const Actor& gone = actors[i];
    if (gone.owner == 0 && gone.player == 0 && !game.world.players.empty()) {
        Player& p = game.world.players[0];
        double gain = 0.01 / (std::sqrt(static_cast<double>(gone.graze)) + 0.001) *
                      static_cast<double>(p.scoreMultiplier);
        double total = static_cast<double>(p.score) + gain;
        if (!std::isnan(total)) p.score = num::roundToInt(total);
    }

    // Indices a caller follows through removals it does not make itself.
    for (int32_t& followed : game.world.followedActors) {
        if (followed == index) {
            followed = -1;
        } else if (followed == last) {
            followed = index;
        }
    }

    if (i + 1 < actors.size()) actors[i] = actors.back();
    actors.pop_back();
}

void clearActor(Actor& actor) {
    int32_t graze = actor.graze;
    actor = Actor{};
    actor.graze = graze;
}
