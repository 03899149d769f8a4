// The menu screen, reached from the ship selection with the pause key: one table of rows
// (a row without a screen behind it is drawn dimmed and cannot be chosen), moved through
// with up and down, chosen with Fire, left with Escape or Bomb; and its picture in the
// game's look (the strips, the rows in the playfield's frame).
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "text/text.h"

#include <array>
#include <cmath>
#include <string_view>

namespace {

constexpr uint32_t colorTitle = 0xFFFFFFFF;
constexpr uint32_t colorItem = 0xFFBFBFBF;
constexpr uint32_t colorDimmed = 0xFF505050;
constexpr uint32_t colorHelp = 0xFF7F7F7F;

// Opens a screen from the menu; the program goes on.
template <void (*enter)()>
bool open() {
    enter();
    return false;
}

// Ends the program, as Escape on the ship selection does.
bool endProgram() { return true; }

// Opens the Options screen on its first row.
void enterOptionsFromMenu() {
    app.shell.optionsCursor = 0;
    enterOptions();
}

// Opens the Replays screen on its newest replay.
void enterReplaysFromMenu() {
    app.shell.replays.cursor = 0;
    app.shell.replays.top = 0;
    app.shell.replays.message.clear();
    enterReplays();
}

// Opens the controls setup, which comes back to the menu.
void enterControlsFromMenu() { enterControlsSetup(ScreenId::Menu); }

// One row of the menu: its label and what choosing it does (true ends the program);
// null: the row is shown dimmed and Fire on it does nothing.
struct MenuItem {
    std::string_view label;
    bool (*choose)();
};

// The menu's rows, top to bottom. A new screen joins by naming its enter function here.
constexpr std::array<MenuItem, 6> menuItems = {{
    {"Practice", &open<enterPractice>},
    {"Replays", &open<enterReplaysFromMenu>},
    {"Records", &open<enterRecords>},
    {"Options", &open<enterOptionsFromMenu>},
    {"Controls", &open<enterControlsFromMenu>},
    {"Exit", &endProgram},
}};
constexpr auto itemCount = static_cast<int32_t>(menuItems.size());

// Screen y of row r, in the playfield's upper half.
float itemY(int32_t r) { return game.layout.playfieldTop + 140.0f + 45.0f * static_cast<float>(r); }

}  // namespace

bool menuKeyPressed(Engine& engine) {
    const bool down = pauseKeyDown(engine);
    const bool pressed = down && !app.shell.menuKeyWasDown;
    app.shell.menuKeyWasDown = down;
    return pressed;
}

bool openMenuIfAsked(Engine& engine) {
    if (!menuKeyPressed(engine)) return false;
    app.shell.chosenShip = app.shell.selectionCursor;
    app.shell.menuCursor = 0;
    enterMenu();
    return true;
}

MenuInput readMenuInput() {
    if (reloadIfAsked()) return MenuInput::reloaded;
    readInput();
    if (Engine* engine = game.platform.engine) handleMuteKey(engine->Input_GetKey());
    const auto& edges = game.input.actionEdge;
    return edges[Held::exit] == edge::pressed || edges[Held::bomb] == edge::pressed
               ? MenuInput::back
               : MenuInput::proceed;
}

Engine* beginScreenPicture() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return nullptr;
    engine->Gfx_BeginScene();
    engine->Gfx_SetClipping(0, 0, pictureWidth, pictureHeight);
    engine->Gfx_Clear(0);
    return engine;
}

bool menuFrame() {
    const MenuInput input = readMenuInput();
    if (input == MenuInput::back) enterShipSelection();
    if (input != MenuInput::proceed) return false;
    const auto& edges = game.input.actionEdge;
    Shell& shell = app.shell;
    // Up and down stop at the first and the last row, as on the ship selection.
    const int32_t before = shell.menuCursor;
    if (edges[Held::up] == edge::pressed && shell.menuCursor > 0) shell.menuCursor -= 1;
    if (edges[Held::down] == edge::pressed && shell.menuCursor < itemCount - 1)
        shell.menuCursor += 1;
    if (shell.menuCursor != before) playInterfaceSound(InterfaceSound::move);
    if (edges[Held::fire] != edge::pressed) return false;
    const MenuItem& item = menuItems[static_cast<size_t>(shell.menuCursor)];
    if (item.choose == nullptr) return false;
    playInterfaceSound(InterfaceSound::choose);
    return item.choose();
}

bool menuRender() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return false;
    const PlayfieldLayout& layout = game.layout;
    engine->Gfx_BeginScene();
    engine->Gfx_SetClipping(0, 0, pictureWidth, pictureHeight);
    engine->Gfx_Clear(0);

    drawText(15.0f, layout.playfieldTop + 15.0f, "ESC - back", colorItem, 1);
    drawText(15.0f, layout.playfieldTop + 45.0f, "Fire - choose", colorItem, 1);
    drawStripNotes(layout.playfieldTop + 90.0f);
    drawPlayfieldBorder(*engine);

    const float left = layout.playfieldLeft + 110.0f;
    drawText(left, layout.playfieldTop + 60.0f, "Menu", colorTitle, 3);
    for (int32_t r = 0; r < itemCount; ++r) {
        const MenuItem& item = menuItems[static_cast<size_t>(r)];
        drawText(left, itemY(r), item.label, item.choose != nullptr ? colorItem : colorDimmed, 2);
    }
    const float turn = engine->Timer_GetTime() / 3.0f;
    drawModelOnScreen(left - 40.0f, itemY(app.shell.menuCursor), turn, 200.0f,
                      findModel("ship_frame"));
    drawText(left, layout.playfieldTop + 470.0f, "Up/Down - move", colorHelp, 1);
    drawReloadMessages();
    engine->Gfx_EndScene();
    return false;
}
