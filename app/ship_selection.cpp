// The ship selection screen: the demo playing behind it (the simulation's demo step, in
// which the ship under the cursor fires on its own while the "demo" script plays, on the
// same fixed-step clock as gameplay), the exit, key-config, cursor and Fire tests, and its
// picture (key hints, the ship list with the rotating frame, and the demo's playfield).
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "sim/sim.h"
#include "text/text.h"
#include "core/numbers.h"

#include <cmath>

namespace {

using num::pi;
constexpr uint32_t colorText = 0xFFBFBFBF;

// Moves the cursor to `ship` and gives the demo ship that ShipDef at once.
void moveCursor(int32_t ship) {
    app.shell.selectionCursor = ship;
    if (!game.world.players.empty()) assignShip(game.world.players[0], ship);
}

// Row y of ship i in the list on the right strip.
float shipRowY(int32_t i) {
    const PlayfieldLayout& s = game.layout;
    return static_cast<float>(i + 1) * s.pixelsPerUnitY / 6.0f + s.playfieldTop;
}

// Every ship of the registry in the right strip, and the frame turning around the one
// under the cursor.
void drawShipList() {
    const Shell& s = app.shell;
    const float x = game.layout.pixelsPerUnitX + 1.5f * game.layout.playfieldLeft;
    const auto& ships = game.defs.shipRegistry;
    for (size_t i = 0; i < ships.size(); ++i) {
        drawModelOnScreen(x, shipRowY(static_cast<int32_t>(i)), pi, game.layout.pixelsPerUnitX,
                          findModel(ships[i].model));
    }
    const float turn = static_cast<float>(game.clock.frameCounter) / 60.0f + pi;
    drawModelOnScreen(x, shipRowY(s.selectionCursor), turn, 400.0f, findModel("ship_frame"));
}

// The ship of the list at picture point (x, y) in the right strip, -1 if none.
int32_t shipAt(float x, float y) {
    const PlayfieldLayout& l = game.layout;
    if (x < l.playfieldLeft + l.pixelsPerUnitX) return -1;
    const auto count = static_cast<int32_t>(game.defs.shipRegistry.size());
    for (int32_t i = 0; i < count; ++i)
        if (std::fabs(y - shipRowY(i)) < l.pixelsPerUnitY / 12.0f) return i;
    return -1;
}

// What the selection tests decided for the current step (Continue is 0: the step goes on).
enum class SelectionOutcome : int32_t { Continue, EndProgram, LeftScreen };

// Tests 1 and 2: exit pressed ends the program; key config pressed opens the setup.
int32_t selectionExitAndConfig() {
    const auto& edges = game.input.actionEdge;
    if (edges[Held::exit] == edge::pressed)
        return static_cast<int32_t>(SelectionOutcome::EndProgram);
    if (edges[Held::keyConfig] == edge::pressed) {
        enterControlsSetup();
        return static_cast<int32_t>(SelectionOutcome::LeftScreen);
    }
    return 0;
}

// Starts the game with the ship under the cursor.
void startWithCursorShip() {
    playInterfaceSound(InterfaceSound::choose);
    app.shell.chosenShip = app.shell.selectionCursor;
    enterGameplay();
}

// Tests 3 to 5: up and down move the cursor one place per press, stopping at the first
// and the last ship; Fire held starts the game with the ship under the cursor.
int32_t selectionCursorAndFire() {
    const auto& edges = game.input.actionEdge;
    const auto shipCount = static_cast<int64_t>(game.defs.shipRegistry.size());
    const int32_t cursor = app.shell.selectionCursor;
    if (cursor > 0 && edges[Held::up] == edge::pressed) moveCursor(cursor - 1);
    if (app.shell.selectionCursor < shipCount - 1 && edges[Held::down] == edge::pressed)
        moveCursor(app.shell.selectionCursor + 1);
    if (app.shell.selectionCursor != cursor) playInterfaceSound(InterfaceSound::move);
    if (game.input.actionHeld[Held::fire] == 1) {
        startWithCursorShip();
        return static_cast<int32_t>(SelectionOutcome::LeftScreen);
    }
    return 0;
}

// A tap of this display frame on a ship of the list starts the game with that ship; true
// when it did.
bool startOnTap(Engine& engine) {
    float x = 0, y = 0;
    if (!engine.Input_TakeTap(x, y)) return false;
    const int32_t ship = shipAt(x, y);
    if (ship < 0) return false;
    moveCursor(ship);
    startWithCursorShip();
    return true;
}

// One demo step with the selection tests. Returns the outcome of those tests.
SelectionOutcome demoStep() {
    static constexpr StepHooks app{&readInput,    &showStatusLine,         &selectionExitAndConfig,
                                   &pollJoystick, &selectionCursorAndFire, nullptr};
    const auto outcome = static_cast<SelectionOutcome>(runDemoStep(app));
    passStepEvents();
    return outcome;
}

}  // namespace

bool shipSelectionFrame() {
    if (reloadIfAsked()) return false;
    if (game.platform.engine != nullptr) {
        handleOverlayKeys(*game.platform.engine);
        if (openMenuIfAsked(*game.platform.engine)) return false;
        if (startOnTap(*game.platform.engine)) return false;
    }
    for (int32_t steps = 0; frameStepDue(steps); ++steps) {
        switch (demoStep()) {
        case SelectionOutcome::Continue: break;
        case SelectionOutcome::EndProgram: return true;
        case SelectionOutcome::LeftScreen: return false;
        }
    }
    return false;
}

bool shipSelectionRender() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return false;
    const Shell& s = app.shell;
    engine->Gfx_BeginScene();
    engine->Gfx_SetClipping(0, 0, pictureWidth, pictureHeight);
    engine->Gfx_Clear(0);

    drawText(game.layout.pixelsPerUnitX + game.layout.playfieldLeft + 15.0f, game.layout.playfieldTop + 15.0f,
             "Select your ship:", colorText, 1);
    drawText(15.0f, game.layout.playfieldTop + 15.0f, "ESC - exit", colorText, 1);
    drawText(15.0f, game.layout.playfieldTop + 45.0f, "F9 - key config", colorText, 1);
    constexpr uint32_t colorProblem = 0xFFFF8080;
    const float top = drawSelectionRecordLines(game.layout.playfieldTop + 75.0f);
    const float below = drawWrappedText(15.0f, top, game.layout.playfieldLeft - 20.0f,
                                        s.startProblem, colorProblem);
    drawStripNotes(below + (below > top ? 10.0f : 0.0f));
    drawPlayfieldBorder(*engine);
    drawShipList();

    engine->Gfx_SetClipping(static_cast<int>(std::lround(game.layout.playfieldLeft)),
                            static_cast<int>(std::lround(game.layout.playfieldTop)),
                            static_cast<int>(std::lround(game.layout.pixelsPerUnitX)),
                            static_cast<int>(
                                std::lround(num::playfieldHeight * game.layout.pixelsPerUnitY)));
    drawPlayfieldObjects();
    drawReloadMessages();

    engine->Gfx_EndScene();
    return false;
}
