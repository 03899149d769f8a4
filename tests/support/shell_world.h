// Test harness for the game shell: a fresh game state on the headless engine with a
// scripted joystick, definitions loaded from text, and small builders and probes.
#pragma once

#include "actors/actors.h"
#include "app/app.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "platform/headless.h"
#include "records/records.h"
#include "replay/replay_file.h"
#include "tests/support/support.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// One game on the headless engine. The engine and joystick live as long as the object.
class ShellWorld {
public:
    HeadlessEngine engine;
    ScriptedJoystick joystick;
    TempDir dir;

    ShellWorld() {
        resetGameState();
        resetAppState();
        game.platform.engine = &engine;
        game.platform.joystick = &joystick;
        game.input.bindingTable[Action::keyConfig].keys.push_back(0x78);
        game.input.bindingTable[Action::exit].keys.push_back(0x1B);
    }
    ~ShellWorld() {
        resetGameState();
        resetAppState();
    }
    ShellWorld(const ShellWorld&) = delete;
    ShellWorld& operator=(const ShellWorld&) = delete;

    // Loads `text` as the base definition file (untagged names). Event slots run Script 0
    // for nothing in particular and clear the Actor for Script 1, so the definitions of
    // the tests start with two placeholder Scripts.
    void load(std::string_view text) {
        std::string path = dir.write("base.vec", text);
        resetRegistries();
        loadDefinitionFile(path);
    }

    // Binds a key to an action, as the controls file would.
    static void bind(Action action, int key) {
        game.input.bindingTable[action].keys.push_back(
            static_cast<uint16_t>(key));
    }

    // Holds or releases a key.
    void hold(int key, bool down = true) { engine.keyHeld[static_cast<size_t>(key)] = down; }

    // Runs one display frame at engine time t; returns the frame function's result.
    bool frameAt(double t) {
        engine.time = t;
        return engine.runFrame();
    }

    // Runs one display frame at a time that makes exactly one fixed step due.
    bool stepFrame() {
        const Clock& clock = game.clock;
        return frameAt(static_cast<double>(clock.clockStart) +
                       (clock.frameCounter + 0.5) * static_cast<double>(clock.stepLength));
    }

    // Runs one display frame with exactly `key` reported as pressed in it.
    bool pressFrame(int key) {
        engine.keyPressed = key;
        return stepFrame();
    }
};

// An Actor as spawning would leave it, placed by hand: scale 1, hp and hitrate 1, a
// long life, every event slot on Script 0.
inline Actor placedActor(float x, float y, int32_t model) {
    Actor a{};
    a.x = x;
    a.y = y;
    a.model = model;
    a.scale = 1.0f;
    a.hp = 1.0f;
    a.maxhp = 1.0f;
    a.hitrate = 1.0f;
    a.graze = 9000;
    a.life = 3600;
    a.rlife = 3600;
    a.repeat = 1;
    return a;
}

// Emitters whose template carries Model `model` (each marks one run of a spawn).
inline size_t emittersWithModel(int32_t model) {
    const auto& list = game.world.emitters;
    return static_cast<size_t>(std::count_if(list.begin(), list.end(), [model](const Emitter& e) {
        return e.templateActor.model == model;
    }));
}

// Actors that carry Model `model`.
inline size_t actorsWithModel(int32_t model) {
    const auto& list = game.world.actors;
    return static_cast<size_t>(std::count_if(
        list.begin(), list.end(), [model](const Actor& a) { return a.model == model; }));
}

// Keeps a run of 90 idle steps with its replay in the records of the loaded files in
// `home`; `otherFiles`: the replay names a changed file. Empty, or why it was not kept.
inline std::string keepIdleRun(const std::string& home, const std::string& date,
                               int64_t score, bool otherFiles = false) {
    const std::vector<ReplayDefinition> levelSet = definitionsOf(game.defs.loadedFiles);
    Replay replay;
    replay.definitions = levelSet;
    if (otherFiles && !replay.definitions.empty()) replay.definitions[0].hash ^= 1;
    replay.stepCount = 90;
    replay.runs = {{0, 90}};
    RunRecord run;
    run.shipName = "a";
    run.score = score;
    run.steps = 90;
    run.date = date;
    return appendRun({home}, levelSet, run, &replay).problem;
}

}  // namespace testing_support
