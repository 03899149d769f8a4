// Notes in the left strip beside the playfield: the game's files not found at start-up,
// PRACTICE, a run cleared, F4 invincibility while it is on, mute, and a replay, the records or the
// settings that could not be written (for a while), a pad connected (for a while) or
// unplugged (while paused); and the selection screen's lines on starting a run, the menu
// and the best score of the ship under the cursor.
#include "app/app.h"

#include "core/game_state.h"
#include "input/input.h"
#include "platform/platform.h"
#include "text/text.h"

#include <utility>

namespace {

constexpr uint32_t colorProblem = 0xFFFF8080;
constexpr uint32_t colorInvincible = 0xFF80FF80;
constexpr uint32_t colorMuted = 0xFFA0A0A0;
constexpr uint32_t colorClear = 0xFF80E0FF;
constexpr uint32_t colorText = 0xFFBFBFBF;
constexpr uint32_t colorPractice = 0xFFFFC060;
// Pixels between two notes.
constexpr float noteGap = 10.0f;

// One note from (15, y), wrapped to the strip; the y below it and the gap.
float drawNote(float y, std::string_view text, uint32_t color) {
    return drawWrappedText(15.0f, y, game.layout.playfieldLeft - 20.0f, text, color) + noteGap;
}

// Engine time, 0 without an engine.
float now() {
    Engine* engine = game.platform.engine;
    return engine != nullptr ? engine->Timer_GetTime() : 0.0f;
}

// The best score of a ship as the strip says it.
std::string bestText(int32_t ship) {
    const auto& best = app.records.bestScores;
    const auto index = static_cast<size_t>(ship);
    if (ship < 0 || index >= best.size() || !best[index]) return "no score yet";
    return "best " + std::to_string(*best[index]);
}

// A cleared run's note: CLEAR and its score against the ship's best.
std::string clearText() {
    const int64_t score = game.world.players.empty() ? 0 : game.world.players[0].score;
    return "CLEAR - score " + std::to_string(score) + ", " + bestText(app.records.ship);
}

}  // namespace

std::string firstBindingName(Action action, std::string_view fallback) {
    // With a pad in hand, its standard button for the action is the one to name.
    Joystick* pad = game.platform.joystick;
    if (game.platform.joystickOpen && pad != nullptr && pad->isPad())
        for (const PadLayoutEntry& entry : padLayout())
            if (entry.action == action) return std::string(padButtonLabel(entry.button));
    const BindingRow& row = game.input.bindingTable[action];
    Engine* engine = game.platform.engine;
    if (!row.keys.empty() && engine != nullptr) return engine->Input_GetKeyName(row.keys[0]);
    if (!row.buttons.empty()) return "J" + std::to_string(row.buttons[0]);
    return std::string(fallback);
}

float drawSelectionRecordLines(float y) {
    constexpr float lineGap = 30.0f;
    drawText(15.0f, y, firstBindingName(Action::fire, "-") + " - start", colorText, 1);
    drawText(15.0f, y + lineGap, firstBindingName(Action::pause, "P") + " - menu", colorText, 1);
    const int32_t ship = app.shell.selectionCursor;
    const auto& ships = game.defs.shipRegistry;
    const std::string name =
        ship >= 0 && static_cast<size_t>(ship) < ships.size() ? ships[static_cast<size_t>(ship)].name : "";
    const float width = game.layout.playfieldLeft - 20.0f;
    y = drawWrappedText(15.0f, y + 2.0f * lineGap + 15.0f, width, name, colorText);
    return drawWrappedText(15.0f, y + 5.0f, width, bestText(ship), colorText) + noteGap;
}

float drawStripNotes(float y) {
    const Shell& s = app.shell;
    if (!s.dataProblem.empty()) y = drawNote(y, s.dataProblem, colorProblem);
    // A run that did not start at the level's first frame is practice.
    if (s.screen == ScreenId::Gameplay && game.clock.timelineStart != 0)
        y = drawNote(y, "PRACTICE", colorPractice);
    if (s.screen == ScreenId::Gameplay && app.records.keeping && app.records.cleared)
        y = drawNote(y, clearText(), colorClear);
    if (game.invincible) y = drawNote(y, "INVINCIBLE (F4)", colorInvincible);
    if (app.sound.muted) y = drawNote(y, "MUTED (M)", colorMuted);
    if (!s.saveProblem.empty() && game.platform.engine != nullptr &&
        game.platform.engine->Timer_GetTime() < s.saveProblemUntil)
        y = drawNote(y, s.saveProblem, colorProblem);
    const bool padNoteShown = s.padNoteUntil == 0 ? s.paused : now() < s.padNoteUntil;
    if (!s.padNote.empty() && padNoteShown)
        y = drawNote(y, s.padNote, s.padNoteUntil == 0 ? colorProblem : colorMuted);
    return y;
}

void noteSaveProblem(std::string text) {
    // Seconds the strip shows it.
    constexpr float messageSeconds = 6.0f;
    Engine* engine = game.platform.engine;
    app.shell.saveProblem = std::move(text);
    app.shell.saveProblemUntil =
        (engine != nullptr ? engine->Timer_GetTime() : 0.0f) + messageSeconds;
}
