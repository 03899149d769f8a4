// Input runner for gameplay: loads the data files and levels, enters gameplay on the
// headless engine and runs steps with scripted keys, checking the world after each.
#include "tests/support/input_runners.h"

#include "app/app.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/headless.h"

#include <algorithm>

namespace testing_support {

namespace {

// Actions a step's input byte drives, one per bit: the directions, slowdown, fire, bomb
// and power attack. Exit and key configuration are never pressed.
constexpr int drivenActions = 8;

// Actor updates one gameplay fuzz input may cost: 600 steps of 3,000 Actors.
constexpr size_t fuzzActorUpdates = 600 * 3000;
// Steps between two drawings of the playfield in a fuzz input: drawing reads what the
// steps made, so a few drawings find what every one would.
constexpr size_t fuzzRenderEvery = 7;

// Holds exactly the keys bound to the actions whose bits are set in `bits`.
void pressActions(HeadlessEngine& engine, uint8_t bits) {
    engine.keyHeld.fill(false);
    for (int a = 0; a < drivenActions; ++a) {
        if ((bits >> a & 1) == 0) continue;
        for (uint16_t key : game.input.bindingTable[static_cast<Action>(a)].keys) {
            if (key < engine.keyHeld.size()) engine.keyHeld[key] = true;
        }
    }
}

// Draws the playfield on the engine, as the render callback would.
void renderOnce(HeadlessEngine& engine) {
    if (engine.renderFunc != nullptr) engine.renderFunc();
}

}  // namespace

// The game's own files from one directory.
GameplaySetup setupFromDataDir(const std::string& dataDir) {
    GameplaySetup setup;
    setup.baseFile = dataDir + "/base.vec";
    setup.fontFile = dataDir + "/font.vec";
    setup.controlsFile = dataDir + "/quillfray.cfg";
    return setup;
}

// Loads, enters gameplay and runs the steps; the engine lives only for this run.
RunReport playLevels(const GameplaySetup& setup) {
    RunReport report;
    resetGameState();
    resetAppState();
    HeadlessEngine engine;
    engine.recordOps = false;
    game.platform.engine = &engine;
    game.platform.joystick = &nullJoystick();
    readControlsFile(setup.controlsFile);
    resetRegistries();
    loadDefinitionFile(setup.baseFile);
    loadFontFile(setup.fontFile);
    for (const std::string& level : setup.levelFiles) loadDefinitionFile(level);
    enterGameplay();
    size_t actorUpdates = 0;
    for (size_t step = 0; step < setup.steps && report.problem.empty(); ++step) {
        actorUpdates += game.world.actors.size();
        if (setup.actorUpdateBudget != 0 && actorUpdates > setup.actorUpdateBudget) break;
        const uint8_t bits = setup.inputs.empty() ? 0 : setup.inputs[step % setup.inputs.size()];
        pressActions(engine, bits);
        // Leaving gameplay ends the step early; start again as the selection screen would.
        if (!gameplayStep()) enterGameplay();
        report.steps += 1;
        report.maxActors = std::max(report.maxActors, game.world.actors.size());
        report.maxEmitters = std::max(report.maxEmitters, game.world.emitters.size());
        report.maxScriptWork = std::max(report.maxScriptWork, game.scriptWork);
        report.problem = worldProblem();
        if (setup.renderEvery != 0 && step % setup.renderEvery == 0) renderOnce(engine);
    }
    game.platform.engine = nullptr;
    return report;
}

// The level is the part before the separator, the step inputs the part after it.
RunReport runGameplayInput(std::span<const uint8_t> bytes, const std::string& dataDir) {
    const auto parts = splitInput(bytes, 2);
    GameplaySetup setup = setupFromDataDir(dataDir);
    setup.levelFiles = {writeScratchFile("fuzz.lev", parts[0])};
    setup.inputs = {reinterpret_cast<const uint8_t*>(parts[1].data()), parts[1].size()};
    setup.actorUpdateBudget = fuzzActorUpdates;
    setup.renderEvery = fuzzRenderEvery;
    return playLevels(setup);
}

}  // namespace testing_support
