// JSON dumps of the running game: the state after a run, one trace line per step, and
// the recorded scene operations.
#pragma once

#include "tools/sim/json_writer.h"

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
    std::string_view screen;      // "game", "select", "controls" or "none"
    int32_t displayFrames = 0;    // display frames the run went through
    bool programEnded = false;    // a frame function ended the engine loop itself
    std::string_view title;       // the window title last set (the status line)
};

// Every field of an Actor by its name, in record order; events as the 19 used slots.
void writeActorJson(JsonWriter& json, const Actor& actor);
// Every field of a Player by its name, in record order.
void writePlayerJson(JsonWriter& json, const Player& player);
// Every field of an Emitter by the names of its table; ranges as start/end/mode/step.
void writeEmitterJson(JsonWriter& json, const Emitter& emitter);
// The boss bars as [current, maximum] pairs, in order of creation.
void writeBossBarsJson(JsonWriter& json);
// The clock, hold, bars, Players, Actors, Emitters and title, plus the run's summary.
void writeStateJson(JsonWriter& json, const RunSummary& summary);
// One trace line (with its newline): frameCounter, Actor and Emitter counts, score, bars.
void appendTraceLine(std::string& out);
// The scene operations, one JSON object a line.
void appendSceneOpsJsonl(std::string& out, std::span<const SceneOp> ops);
