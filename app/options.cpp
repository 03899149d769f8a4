// The Options screen: the three volumes (heard at once), fullscreen, the window scale, the
// drawing resolution and the ship's hit circle changed with left and right, the controls setup and the way back;
// the settings file is written when the screen is left after a change.
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "text/text.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace {

// The rows, top to bottom.
enum class Row : int32_t {
    master, effects, music, fullscreen, scale, resolution, hitCircle, controls, back
};
constexpr int32_t rowCount = 9;

// The labels of the rows, dotted to a common width.
constexpr std::array<std::string_view, rowCount> rowLabels = {
    "Master volume..", "Effects volume.", "Music volume...", "Fullscreen.....",
    "Window scale...", "Resolution.....", "Hit circle.....", "Controls",
    "Back",
};

constexpr uint32_t colorTitle = 0xFFFFFFFF;
constexpr uint32_t colorItem = 0xFFBFBFBF;
constexpr uint32_t colorHelp = 0xFF7F7F7F;

// The window scales in the order right steps through them (0: fit).
constexpr std::array<int, 3> scales = {1, 2, 0};

// The drawing resolutions in the order right steps through them.
constexpr std::array<ResolutionMode, 3> resolutions = {
    ResolutionMode::automatic, ResolutionMode::full, ResolutionMode::native};

// Screen y of row r.
float rowY(int32_t r) { return 130.0f + 45.0f * static_cast<float>(r); }

// Whether the game shows fullscreen now (F11 and --fullscreen included).
bool fullscreenNow() {
    Engine* engine = game.platform.engine;
    return engine != nullptr ? !engine->System_GetState(HGE_WINDOWED) : app.display.fullscreen;
}

// A volume moved one step by `step` within 0..10, handed to the mixer and heard.
void changeVolume(int& volume, int step) {
    const int before = volume;
    volume = std::clamp(volume + step, 0, 10);
    if (volume == before) return;
    applySoundVolumes();
    playInterfaceSound(InterfaceSound::move);
}

// Left (-1) or right (+1) on the row under the cursor.
void changeRow(Row row, int step) {
    SoundState& sound = app.sound;
    DisplaySettings& display = app.display;
    Engine* engine = game.platform.engine;
    switch (row) {
    case Row::master: changeVolume(sound.master, step); break;
    case Row::effects: changeVolume(sound.effects, step); break;
    case Row::music: changeVolume(sound.music, step); break;
    case Row::fullscreen:
        display.fullscreen = !fullscreenNow();
        if (engine != nullptr) engine->System_SetState(HGE_WINDOWED, !display.fullscreen);
        break;
    case Row::scale: {
        const auto at = static_cast<int>(std::find(scales.begin(), scales.end(), display.scale) -
                                         scales.begin());
        const int count = static_cast<int>(scales.size());
        display.scale = scales[static_cast<size_t>(((at + step) % count + count) % count)];
        if (engine != nullptr) engine->System_SetState(HGE_WINDOWSCALE, display.scale);
        break;
    }
    case Row::resolution: {
        const auto at = static_cast<int>(
            std::find(resolutions.begin(), resolutions.end(), display.resolution) -
            resolutions.begin());
        const int count = static_cast<int>(resolutions.size());
        display.resolution = resolutions[static_cast<size_t>(((at + step) % count + count) % count)];
        if (engine != nullptr)
            engine->System_SetState(HGE_RESOLUTION, static_cast<int>(display.resolution));
        break;
    }
    case Row::hitCircle: display.hitCircle = !display.hitCircle; break;
    case Row::controls:
    case Row::back: return;
    }
    app.shell.settingsChanged = true;
}

// Leaves for `enter`, writing the settings first when they changed here.
void leave(void (*enter)()) {
    if (app.shell.settingsChanged) saveSettings();
    app.shell.settingsChanged = false;
    enter();
}

// Opens the controls setup, which comes back here.
void enterControlsFromOptions() { enterControlsSetup(ScreenId::Options); }

// The value shown after a row's label.
std::string rowValue(Row row) {
    const SoundState& sound = app.sound;
    const auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
    switch (row) {
    case Row::master: return std::to_string(sound.master);
    case Row::effects: return std::to_string(sound.effects);
    case Row::music: return std::to_string(sound.music);
    case Row::fullscreen: return onOff(fullscreenNow());
    case Row::scale:
        return app.display.scale == 0 ? std::string("fit")
                                      : std::to_string(app.display.scale) + "x";
    case Row::resolution: return std::string(resolutionWord(app.display.resolution));
    case Row::hitCircle: return onOff(app.display.hitCircle);
    case Row::controls:
    case Row::back: break;
    }
    return {};
}

}  // namespace

bool optionsFrame() {
    const MenuInput input = readMenuInput();
    const auto& edges = game.input.actionEdge;
    Shell& shell = app.shell;
    if (input == MenuInput::reloaded) return false;
    if (input == MenuInput::back) {
        leave(&enterMenu);
        return false;
    }
    const int32_t before = shell.optionsCursor;
    if (edges[Held::up] == edge::pressed && shell.optionsCursor > 0) shell.optionsCursor -= 1;
    if (edges[Held::down] == edge::pressed && shell.optionsCursor < rowCount - 1)
        shell.optionsCursor += 1;
    if (shell.optionsCursor != before) playInterfaceSound(InterfaceSound::move);
    const auto row = static_cast<Row>(shell.optionsCursor);
    if (edges[Held::left] == edge::pressed) changeRow(row, -1);
    if (edges[Held::right] == edge::pressed) changeRow(row, 1);
    if (edges[Held::fire] == edge::pressed && (row == Row::controls || row == Row::back)) {
        playInterfaceSound(InterfaceSound::choose);
        leave(row == Row::controls ? &enterControlsFromOptions : &enterMenu);
    }
    return false;
}

bool optionsRender() {
    Engine* engine = beginScreenPicture();
    if (engine == nullptr) return false;

    drawText(40.0f, 40.0f, "Options:", colorTitle, 3);
    drawText(40.0f, 80.0f, "up/down - select, left/right - change, fire - choose, esc - back",
             colorHelp, 1);
    for (int32_t r = 0; r < rowCount; ++r) {
        drawText(160.0f, rowY(r), rowLabels[static_cast<size_t>(r)], colorItem, 2);
        drawText(480.0f, rowY(r), rowValue(static_cast<Row>(r)), colorItem, 2);
    }
    const float turn = engine->Timer_GetTime() / 3.0f;
    drawModelOnScreen(120.0f, rowY(app.shell.optionsCursor), turn, 200.0f,
                      findModel("ship_frame"));
    drawStripNotes(pictureHeight - 40.0f);
    engine->Gfx_EndScene();
    return false;
}
