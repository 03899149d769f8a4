// JSON dumps of the running game: the state after a run, one trace line per step, and
// the recorded scene operations.
#pragma once

#include "tools/sim/json_text.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct Actor;
struct Emitter;
struct Player;
struct SceneOp;

// What the run itself knows beyond the game state.
struct RunSummary {
    std::string_view screen;      // "game", "select", "controls", "menu", "options" or "none"
    int32_t displayFrames = 0;    // display frames the run went through
    bool programEnded = false;    // a frame function ended the engine loop itself
    std::string_view title;       // the window title last set (the status line)
};

// ---- state_json.cpp

// Every field of an Actor by its name, in record order; events as the 19 used slots.
Json actorJson(const Actor& actor);
// Every field of a Player by its name, in record order.
Json playerJson(const Player& player);
// Every field of an Emitter by the names of its table; ranges as start/end/mode/step.
Json emitterJson(const Emitter& emitter);
// The boss bars as [current, maximum] pairs, in order of creation.
Json bossBarsJson();
// The text of the state file: the run's summary, the clock (the timeline frame as the
// game counts it), hold, bars, Players, Actors, Emitters and title.
std::string stateJsonText(const RunSummary& summary);
// One trace line (with its newline): frameCounter, Actor and Emitter counts, score, bars.
void appendTraceLine(std::string& out);
// The scene operations, one JSON object a line.
void appendSceneOpsJsonl(std::string& out, std::span<const SceneOp> ops);
