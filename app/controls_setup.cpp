// The controls setup screen: browsing the eight game actions, clearing a row, capturing a
// key, pad button (by name) or raw joystick button (by number) into it, saving them to the
// controls file, and the screen's picture with the joystick connected.
#include "app/app.h"

#include "core/file_write.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "text/text.h"

#include <array>
#include <string>
#include <string_view>

namespace {

// Rows 0..7 are actions 0..7; the last row leaves the screen.
constexpr int32_t exitRow = 8;
constexpr int32_t actionRows = 8;

// Hat values that count as a move; diagonals match none of them.
constexpr int hatUp = 1, hatRight = 2, hatDown = 4, hatLeft = 8;

constexpr uint32_t colorWhite = 0xFFFFFFFF;
constexpr uint32_t colorHelp = 0xFF7F7F7F;
constexpr uint32_t colorProblem = 0xFFFF7F7F;

// Seconds a failed save's message stays on the screen.
constexpr float messageSeconds = 4.0f;

// The labels of rows 0..7, dotted to a common width.
constexpr std::array<std::string_view, actionRows> rowLabels = {
    "Move up........", "Move right.....", "Move down......", "Move left......",
    "Slowdown.......", "Fire...........", "Bomb...........", "Power attack...",
};

// Screen y of row r.
float rowY(int32_t r) { return 120.0f + 50.0f * static_cast<float>(r); }

// The binding row of the highlighted action, or null when the cursor is on no action.
BindingRow* highlightedRow() {
    const int32_t row = app.shell.selectionCursor;
    if (row < 0 || row >= actionRows) return nullptr;
    return &game.input.bindingTable[static_cast<Action>(row)];
}

// Engine time in seconds; 0 without an engine.
float engineTime() {
    Engine* engine = game.platform.engine;
    return engine != nullptr ? engine->Timer_GetTime() : 0.0f;
}

// "Exit & save": writes rows 0..7 to the controls file of start-up (creating its folder
// when start-up says so) and goes back where the setup was entered from. When the file cannot be written
// the bindings still hold for this run and the screen stays, showing why for a few seconds.
void exitAndSave() {
    Shell& shell = app.shell;
    InputState& input = game.input;
    const std::string& path = input.controlsPath;
    std::string why;
    if (!path.empty() && input.makeControlsFolder) why = createFoldersFor(path);
    if (!path.empty() && why.empty()) why = saveControlsFile(path, input.controlsReadFrom);
    if (why.empty()) {
        input.controlsReadFrom.clear();  // the saved file holds the other lines now
        leaveControlsSetup();
        return;
    }
    shell.setupMessage = "Could not save: " + why;
    shell.setupMessageUntil = engineTime() + messageSeconds;
}

// Escape: back where the setup was entered from, with the bindings as they were when the
// screen opened.
void leaveWithoutSaving() {
    game.input.bindingTable = game.input.bindingsOnEntry;
    leaveControlsSetup();
}

// Browsing: the cursor moves and wraps; left clears the row, right starts a capture,
// Escape puts the bindings back and goes back, right on the last row
// saves and goes back, and M mutes.
void browse(int key, int hat) {
    Shell& shell = app.shell;
    const int32_t before = shell.selectionCursor;
    if (key == keys::up || hat == hatUp) shell.selectionCursor -= 1;
    if (key == keys::down || hat == hatDown) shell.selectionCursor += 1;
    if (shell.selectionCursor < 0) shell.selectionCursor = exitRow;
    if (shell.selectionCursor > exitRow) shell.selectionCursor = 0;
    if (shell.selectionCursor != before) playInterfaceSound(InterfaceSound::move);

    if (shell.selectionCursor == exitRow) {
        if (key == keys::escape) {
            leaveWithoutSaving();
        } else if (key == keys::right || hat == hatRight) {
            exitAndSave();
        }
        return;
    }
    if (key == keys::left || hat == hatLeft) {
        if (BindingRow* row = highlightedRow()) {
            row->keys.clear();
            row->buttons.clear();
            row->pads.clear();
        }
    }
    if (key == keys::right || hat == hatRight) shell.captureMode = true;
    if (key == keys::escape) leaveWithoutSaving();
    handleMuteKey(key);
}

// Capturing: the next key other than Escape joins the row (Escape, or a pad's Back,
// cancels), and so does the first pressed pad button (by name) on a pad, or joystick
// button (by number) on a raw joystick, even in the same display frame as a key.
void capture(int key) {
    Shell& shell = app.shell;
    BindingRow* row = highlightedRow();
    if (key != 0) {
        if (key != keys::escape && row != nullptr) row->keys.push_back(static_cast<uint16_t>(key));
        shell.captureMode = false;
    }
    if (Joystick* pad = openPad()) {
        if (key == keys::escape) return;  // the pad's Back cancels rather than joins
        for (int b = 0; b < padButtonCount; ++b) {
            if (!pad->padButton(static_cast<PadButton>(b))) continue;
            if (row != nullptr) row->pads.push_back(static_cast<uint8_t>(b));
            shell.captureMode = false;
            break;
        }
        return;
    }
    if (game.platform.joystickOpen && game.platform.joystick != nullptr) {
        const int buttons = game.platform.joystick->numButtons();
        for (int b = 0; b < buttons; ++b) {
            if (!game.platform.joystick->getButton(b)) continue;
            if (row != nullptr) row->buttons.push_back(static_cast<int8_t>(b));
            shell.captureMode = false;
            break;
        }
    }
}

// The pad's D-pad as hat bits.
int padHat(Joystick& pad) {
    return (pad.padButton(PadButton::dpUp) ? hatUp : 0) |
           (pad.padButton(PadButton::dpRight) ? hatRight : 0) |
           (pad.padButton(PadButton::dpDown) ? hatDown : 0) |
           (pad.padButton(PadButton::dpLeft) ? hatLeft : 0);
}

// The line naming the joystick connected, "" when none is.
std::string joystickLine() {
    PlatformHandles& platform = game.platform;
    if (!platform.joystickOpen || platform.joystick == nullptr) return {};
    const std::string name = platform.joystick->deviceName();
    if (platform.joystick->isPad())
        return "Pad: " + name + " - buttons by name; (A) the standard layout";
    return "Joystick: " + name + " - buttons by number";
}

}  // namespace

bool controlsSetupFrame() {
    Shell& shell = app.shell;
    if (!shell.captureMode && reloadIfAsked()) return false;
    game.clock.frameCounter += 1;
    readInput();
    pollPads();
    int key = game.platform.engine != nullptr ? game.platform.engine->Input_GetKey() : 0;
    // The exit action (a pad's Back) going down acts as Escape.
    if (key == 0 && game.input.actionEdge[Held::exit] == edge::pressed) key = keys::escape;
    int hat = game.platform.joystickOpen && game.platform.joystick != nullptr ? game.platform.joystick->getHat(0) : 0;
    if (Joystick* pad = openPad()) hat = padHat(*pad);
    // A hat held in one position counts once.
    if (hat == shell.lastHat) {
        hat = 0;
    } else {
        shell.lastHat = hat;
    }
    if (!shell.captureMode) {
        browse(key, hat);
    } else {
        capture(key);
    }
    return false;
}

bool controlsSetupRender() {
    Engine* engine = beginScreenPicture();
    if (engine == nullptr) return false;
    const Shell& shell = app.shell;

    drawText(40.0f, 40.0f, "Controls setup:", colorWhite, 3);
    drawText(40.0f, 80.0f,
             "Use arrow keys: up/down - select, left - clear, right - add, esc - exit",
             colorHelp, 1);
    if (const std::string line = joystickLine(); !line.empty())
        drawText(40.0f, 95.0f, line, colorHelp, 1);
    for (int32_t r = 0; r < actionRows; ++r)
        drawText(160.0f, rowY(r), rowLabels[static_cast<size_t>(r)], colorWhite, 2);
    for (int32_t r = 0; r < actionRows; ++r)
        drawText(460.0f, rowY(r), bindingText(static_cast<Action>(r)), colorWhite, 2);

    const float cursorX = shell.captureMode ? 420.0f : 120.0f;
    const float cursorY =
        shell.selectionCursor >= 0 && shell.selectionCursor < actionRows
            ? rowY(shell.selectionCursor)
            : 560.0f;
    const float turn = static_cast<float>(game.clock.frameCounter) / 180.0f;
    drawModelOnScreen(cursorX, cursorY, turn, 200.0f, findModel("ship_frame"));

    drawText(160.0f, 560.0f, "Exit & save", colorWhite, 2);
    if (!shell.setupMessage.empty() && engineTime() < shell.setupMessageUntil)
        drawText(160.0f, 515.0f, shell.setupMessage, colorProblem, 1);
    engine->Gfx_EndScene();
    return false;
}
