// Notes in the left strip beside the playfield: the game's files not found at start-up,
// F4 invincibility while it is on, mute, a replay or the settings that could not be
// written (for a while), and a pad connected (for a while) or unplugged (while paused).
#include "app/app.h"

#include "core/game_state.h"
#include "platform/platform.h"
#include "text/text.h"

#include <utility>

namespace {

constexpr uint32_t colorProblem = 0xFFFF8080;
constexpr uint32_t colorInvincible = 0xFF80FF80;
constexpr uint32_t colorMuted = 0xFFA0A0A0;
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

}  // namespace

float drawStripNotes(float y) {
    const Shell& s = app.shell;
    if (!s.dataProblem.empty()) y = drawNote(y, s.dataProblem, colorProblem);
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
