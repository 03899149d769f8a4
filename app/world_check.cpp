// Consistency check of the world between two steps, for the soak run and the
// hostile-input tests: the lists stay within their caps and every index points home.
#include "app/app.h"

#include "core/game_state.h"

#include <string>

namespace {

// "what: value" for a report line.
std::string describe(std::string_view what, int64_t value) {
    return std::string(what) + ": " + std::to_string(value);
}

// The first problem of one Actor, empty when it is sound.
std::string actorProblem(const Actor& actor, size_t modelCount) {
    // Model 0 is the "not found" value and stays allowed even with no model loaded.
    if (actor.model < 0 || (actor.model != 0 && static_cast<size_t>(actor.model) >= modelCount))
        return describe("Actor model index out of range", actor.model);
    return {};
}

}  // namespace

std::string worldProblem() {
    const World& world = game.world;
    if (world.actors.size() > limits::maxActors)
        return describe("Actor list over its cap", static_cast<int64_t>(world.actors.size()));
    if (world.emitters.size() > limits::maxEmitters)
        return describe("Emitter list over its cap", static_cast<int64_t>(world.emitters.size()));
    if (world.players.size() > 1)
        return describe("more than one Player", static_cast<int64_t>(world.players.size()));
    if (game.scriptDepth != 0) return describe("script nesting left open", game.scriptDepth);
    const size_t modelCount = game.defs.modelRegistry.size();
    for (const Actor& actor : world.actors) {
        std::string problem = actorProblem(actor, modelCount);
        if (!problem.empty()) return problem;
    }
    const auto actorCount = static_cast<int64_t>(world.actors.size());
    for (const Emitter& emitter : world.emitters) {
        if (emitter.attached < -1 || emitter.attached >= actorCount)
            return describe("Emitter bound to a missing Actor", emitter.attached);
        if (emitter.time < 1) return describe("Emitter cycle shorter than a step", emitter.time);
        std::string problem = actorProblem(emitter.templateActor, modelCount);
        if (!problem.empty()) return "Emitter template: " + problem;
    }
    for (const Player& player : world.players) {
        if (player.modelIndex < 0 ||
            (player.modelIndex != 0 && static_cast<size_t>(player.modelIndex) >= modelCount))
            return describe("Player model index out of range", player.modelIndex);
    }
    return {};
}
