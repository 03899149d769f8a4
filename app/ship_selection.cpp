// The ship selection screen: the demo playing behind it (the ship under the cursor
// fires on its own while the "demo" script plays, on the same fixed-step clock as
// gameplay), the exit, key-config, cursor and Fire tests, and its picture (key hints, the
// ship list with the rotating frame, and the demo's playfield).
#include "app/app.h"

#include "actors/actors.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "script/script.h"
#include "sim/sim.h"
#include "text/text.h"

#include <cmath>

namespace {

constexpr float pi = 3.1415927f;
constexpr uint32_t colorText = 0xFFBFBFBF;

// Moves the cursor to `ship` and gives the demo ship that ShipDef at once.
void moveCursor(int32_t ship) {
    game.shell.selectionCursor = ship;
    if (!game.world.players.empty()) assignShip(game.world.players[0], ship);
}

// Row y of ship i in the list on the right strip.
float shipRowY(int32_t i) {
    const Shell& s = game.shell;
    return static_cast<float>(i + 1) * s.pixelsPerUnitY / 6.0f + s.playfieldTop;
}

// Every ship of the registry in the right strip, and the frame turning around the one
// under the cursor.
void drawShipList() {
    const Shell& s = game.shell;
    const float x = s.pixelsPerUnitX + 1.5f * s.playfieldLeft;
    const auto& ships = game.defs.shipRegistry;
    for (size_t i = 0; i < ships.size(); ++i) {
        drawModelOnScreen(x, shipRowY(static_cast<int32_t>(i)), pi, s.pixelsPerUnitX,
                          findModel(ships[i].model));
    }
    const float turn = static_cast<float>(game.clock.frameCounter) / 60.0f + pi;
    drawModelOnScreen(x, shipRowY(s.selectionCursor), turn, 400.0f, findModel("ship_frame"));
}

// What the selection tests decided for the current step.
enum class SelectionOutcome { Continue, EndProgram, LeftScreen };

// Tests 1 and 2: exit pressed ends the program; key config pressed opens the setup.
SelectionOutcome selectionExitAndConfig() {
    const auto& edges = game.input.actionEdge;
    if (edges[Held::exit] == edge::pressed) return SelectionOutcome::EndProgram;
    if (edges[Held::keyConfig] == edge::pressed) {
        enterControlsSetup();
        return SelectionOutcome::LeftScreen;
    }
    return SelectionOutcome::Continue;
}

// Tests 3 to 5: up and down move the cursor one place per press, stopping at the first
// and the last ship; Fire held starts the game with the ship under the cursor.
SelectionOutcome selectionCursorAndFire() {
    const auto& edges = game.input.actionEdge;
    const auto shipCount = static_cast<int64_t>(game.defs.shipRegistry.size());
    const int32_t cursor = game.shell.selectionCursor;
    if (cursor > 0 && edges[Held::up] == edge::pressed) moveCursor(cursor - 1);
    if (game.shell.selectionCursor < shipCount - 1 && edges[Held::down] == edge::pressed)
        moveCursor(game.shell.selectionCursor + 1);
    if (game.input.actionHeld[Held::fire] == 1) {
        game.shell.chosenShip = game.shell.selectionCursor;
        enterGameplay();
        return SelectionOutcome::LeftScreen;
    }
    return SelectionOutcome::Continue;
}

// Steps each shot type is fired for before the demo switches to the other.
constexpr int32_t shotTypeSteps = 180;

// Starts the "demo" script on a blank Actor at (0, 0); a level set without one shows
// only the firing ship.
void startDemoScript() {
    Actor origin{};
    runNamedScript(origin, "demo");
}

// The demo ship fires by itself: shot 1 for 180 steps, then shot 2 for 180, and so on,
// at the rate the scripts' own reload commands set.
void autoFire() {
    if (game.world.players.empty()) return;
    Player& p = game.world.players[0];
    if (p.shotCooldown > 0.0f) p.shotCooldown -= 1.0f;
    if (p.shotCooldown != 0.0f) return;
    const bool secondType = (game.clock.frameCounter / shotTypeSteps) % 2 != 0;
    fireShipScript(p, secondType ? p.shot2Script : p.shot1Script, 0);
}

// Hostile Actors may hit the demo ship, but it never stays disabled or invulnerable.
void keepShipReady() {
    if (game.world.players.empty()) return;
    Player& p = game.world.players[0];
    if (p.invulnerableSteps > 0) p.invulnerableSteps = 0;
    if (p.disabledSteps > 0) p.disabledSteps = 0;
}

// One demo step with the selection tests. Returns the outcome of those tests.
SelectionOutcome demoStep() {
    if (game.clock.frameCounter == 0) startDemoScript();
    readInput();
    collideActors();
    updateActors();
    showStatusLine();
    runEmitters();
    const SelectionOutcome leave = selectionExitAndConfig();
    if (leave != SelectionOutcome::Continue) return leave;
    if (game.shell.joystickOpen && game.shell.joystick != nullptr) game.shell.joystick->update();
    if (selectionCursorAndFire() != SelectionOutcome::Continue) return SelectionOutcome::LeftScreen;
    autoFire();
    keepShipReady();
    game.clock.frameCounter += 1;
    return SelectionOutcome::Continue;
}

}  // namespace

// Frame function of the ship selection screen: the demo's catch-up loop, up to the
// frame's limit of steps. True only when the exit action ends the program.
bool shipSelectionFrame() {
    if (reloadIfAsked()) return false;
    if (game.shell.engine != nullptr) handleOverlayKeys(*game.shell.engine);
    for (int32_t steps = 0; frameStepDue(steps); ++steps) {
        switch (demoStep()) {
        case SelectionOutcome::Continue: break;
        case SelectionOutcome::EndProgram: return true;
        case SelectionOutcome::LeftScreen: return false;
        }
    }
    return false;
}

// Render function of the ship selection screen; always false.
bool shipSelectionRender() {
    Engine* engine = game.shell.engine;
    if (engine == nullptr) return false;
    const Shell& s = game.shell;
    engine->Gfx_BeginScene();
    engine->Gfx_SetClipping(0, 0, 800, 600);
    engine->Gfx_Clear(0);

    drawText(s.pixelsPerUnitX + s.playfieldLeft + 15.0f, s.playfieldTop + 15.0f,
             "Select your ship:", colorText, 1);
    drawText(15.0f, s.playfieldTop + 15.0f, "ESC - exit", colorText, 1);
    drawText(15.0f, s.playfieldTop + 45.0f, "F9 - key config", colorText, 1);
    constexpr uint32_t colorProblem = 0xFFFF8080;
    const float below = drawWrappedText(15.0f, s.playfieldTop + 90.0f, s.playfieldLeft - 20.0f,
                                        s.startProblem, colorProblem);
    drawStripNotes(below + (below > s.playfieldTop + 90.0f ? 10.0f : 0.0f));
    drawPlayfieldBorder(*engine);
    drawShipList();

    engine->Gfx_SetClipping(static_cast<int>(std::lround(s.playfieldLeft)),
                            static_cast<int>(std::lround(s.playfieldTop)),
                            static_cast<int>(std::lround(s.pixelsPerUnitX)),
                            static_cast<int>(std::lround(1.5f * s.pixelsPerUnitY)));
    drawPlayfieldObjects();
    drawReloadMessages();

    engine->Gfx_EndScene();
    return false;
}
