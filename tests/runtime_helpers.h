// Builders for the script runtime tests: Commands, Scripts, Models, Players and Actors
// put straight into the game state, the way loading would leave them.
#pragma once

#include "tests/support/support.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rt {

using testing_support::makeParam;

// One parameter pair as written in a command block.
using Pair = std::pair<std::string_view, std::string_view>;

// A parameter whose value names Script `index` (an event slot value).
inline SpawnParam scriptParam(std::string_view name, int32_t index) {
    SpawnParam p = makeParam(name, std::to_string(index));
    p.scriptIndex = static_cast<uint32_t>(index);
    return p;
}

// A parameter whose value names Model `index`.
inline SpawnParam modelParam(std::string_view name, int32_t index) {
    SpawnParam p = makeParam(name, "m");
    p.modelIndex = static_cast<uint32_t>(index);
    return p;
}

// A Command with the given word and plain parameters.
inline Command command(std::string_view word, std::initializer_list<Pair> params = {}) {
    Command c;
    c.name = std::string(word);
    c.word = commandWordOf(word);
    for (const Pair& p : params) c.params.push_back(makeParam(p.first, p.second));
    return c;
}

// A Command with ready-made parameters.
inline Command command(std::string_view word, std::vector<SpawnParam> params) {
    Command c;
    c.name = std::string(word);
    c.word = commandWordOf(word);
    c.params = std::move(params);
    return c;
}

// Appends a Script and returns its index.
inline int32_t addScript(std::vector<Command> commands, std::string name = "") {
    Script s;
    s.name = std::move(name);
    s.commands = std::move(commands);
    game.defs.scriptRegistry.push_back(std::move(s));
    return static_cast<int32_t>(game.defs.scriptRegistry.size() - 1);
}

// Fills Scripts 0 and 1 with empty Scripts, so that never-set slots (0) run nothing and
// test Scripts start at index 2.
inline void addEmptyScripts() {
    while (game.defs.scriptRegistry.size() < 2) addScript({});
}

// Appends a Model of straight lines given by end points (model units, y down).
inline int32_t addModel(std::initializer_list<std::array<float, 4>> lines) {
    Model m;
    m.name = "m" + std::to_string(game.defs.modelRegistry.size());
    for (const auto& l : lines) {
        ModelLine line;
        line.x1 = l[0];
        line.y1 = l[1];
        line.x2 = l[2];
        line.y2 = l[3];
        line.angle1 = static_cast<float>(std::atan2(l[0], l[1]));
        line.radius1 = std::sqrt(l[0] * l[0] + l[1] * l[1]);
        line.angle2 = static_cast<float>(std::atan2(l[2], l[3]));
        line.radius2 = std::sqrt(l[2] * l[2] + l[3] * l[3]);
        line.lengthSquared = (l[2] - l[0]) * (l[2] - l[0]) + (l[3] - l[1]) * (l[3] - l[1]);
        m.lines.push_back(line);
    }
    game.defs.modelRegistry.push_back(std::move(m));
    return static_cast<int32_t>(game.defs.modelRegistry.size() - 1);
}

// Appends a Player at (x, y) with the multiplier `multiplier`.
inline Player& addPlayer(float x, float y, float multiplier = 0.1f) {
    Player p;
    p.x = x;
    p.y = y;
    p.heading = 3.1415927f;
    p.scoreMultiplier = multiplier;
    game.world.players.push_back(p);
    return game.world.players.back();
}

// An Actor with the values a spawn without parameters gives it.
inline Actor actorAt(float x, float y, float angle = 0) {
    Actor a;
    a.x = x;
    a.y = y;
    a.angle = angle;
    a.hp = a.maxhp = 1;
    a.scale = 1;
    a.hitrate = 1;
    a.model = 1;
    a.graze = 9000;
    a.life = a.rlife = 3600;
    a.repeat = 1;
    return a;
}

// Appends an Actor and returns its index.
inline int32_t addActor(const Actor& a) {
    game.world.actors.push_back(a);
    return static_cast<int32_t>(game.world.actors.size() - 1);
}

// Degrees to radians as the game computes them.
inline float rad(float degrees) {
    return static_cast<float>(static_cast<double>(degrees) * static_cast<double>(3.1415927f) /
                              180.0);
}

}  // namespace rt
