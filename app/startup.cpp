// Program start-up and shut-down: controls, joystick, definitions, engine set-up, the
// engine's run, and the orderly end.
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

// Starts the joystick layer, hands it the pad mappings when the platform reads them, and
// opens the first joystick present; the game then polls it (and takes up one plugged in
// later).
void openJoystick(const PlatformHooks& hooks) {
    PlatformHandles& platform = game.platform;
    platform.joystick = hooks.joystick != nullptr ? hooks.joystick : &nullJoystick();
    platform.joystickOpen = false;
    platform.joystick->init();
    if (hooks.padMappings) {
        // The user's folder: that of their own controls file (--data, --home, --config),
        // else where --data would keep it.
        const InputState& input = game.input;
        const std::string user =
            input.makeControlsFolder
                ? input.controlsPath
                : userControlsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
        loadPadMappings(*platform.joystick,
                        user.empty() ? std::string() : std::filesystem::path(user).parent_path().string());
    }
    if (platform.joystick->numJoysticks() > 0)
        platform.joystickOpen = openFirstJoystick(*platform.joystick);
}

// Window (fullscreen, scale and resolution as the settings have them), sound and splash settings of
// the game's one window.
void configureEngine(Engine& engine) {
    engine.System_SetState(HGE_TITLE, "Quillfray");
    engine.System_SetState(HGE_WINDOWED, !app.display.fullscreen);
    engine.System_SetState(HGE_WINDOWSCALE, app.display.scale);
    engine.System_SetState(HGE_RESOLUTION, static_cast<int>(app.display.resolution));
    engine.System_SetState(HGE_SCREENWIDTH, pictureWidth);
    engine.System_SetState(HGE_SCREENHEIGHT, pictureHeight);
    engine.System_SetState(HGE_SCREENBPP, 32);
    engine.System_SetState(HGE_SHOWSPLASH, false);
}

// What to do when the window cannot be opened, the line shown under the engine's reason.
constexpr std::string_view windowHelp =
    "Quillfray needs a desktop session with a working display to open its window: start it "
    "from the desktop, or check DISPLAY or WAYLAND_DISPLAY.";

// Picks the controls file: `chosen` (the user's own file or --config), else quillfray.cfg
// in the data folder; while the chosen file does not exist, the bindings are read from
// the data folder's, and the first save creates the chosen file's folder.
void chooseControlsFile(const std::string& chosen) {
    InputState& input = game.input;
    const std::string shipped = definitionPath("quillfray.cfg");
    input.controlsPath = chosen.empty() ? shipped : chosen;
    input.makeControlsFolder = !chosen.empty();
    std::error_code error;
    const bool ownFile = chosen.empty() || std::filesystem::exists(chosen, error);
    input.controlsReadFrom = ownFile ? std::string() : shipped;
}

// Engine set-up, the run itself and the engine's shut-down and release. False when the
// window could not be opened (the reason and what to do are shown).
bool runEngine(Engine& engine, const PlatformHooks& hooks) {
    game.platform.engine = &engine;
    engine.System_SetState(HGE_USESOUND, false);
    enterShipSelection();
    configureEngine(engine);

    game.layout.playfieldLeft = 200.0f;
    game.layout.playfieldTop = 0.0f;
    game.layout.pixelsPerUnitX = 400.0f;
    game.layout.pixelsPerUnitY = 400.0f;

    const bool opened = engine.System_Initiate();
    if (opened) {
        // Lay the stars out again now that the layout is final.
        newGame();
        startSoundDevice(engine);
        if (hooks.startupReport) reportStartupProblems();
        if (app.replay.pendingPlayback) enterGameplay();
        engine.System_Start();
        endReplayRun();
    } else if (hooks.showError) {
        hooks.showError(engine.System_GetErrorMessage() + "\n" + std::string(windowHelp),
                        "Error");
    }
    stopSoundDevice(engine);
    engine.System_Shutdown();
    engine.Release();
    return opened;
}

}  // namespace

std::string userControlsPath(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/')
        return std::string(xdgConfigHome) + "/quillfray/quillfray.cfg";
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config/quillfray/quillfray.cfg";
    return {};
}

// The whole program: loads definitions, runs the engine until the selection screen ends
// it (or the window closes), shuts down. Returns 0; 1 when the window cannot be opened;
// 2 when a replay to play was recorded with other definition files (said on stderr;
// nothing runs then).
int gameMain(std::span<const std::string> levelFiles, const PlatformHooks& hooks,
             const std::string& controlsFile) {
    Clock& clock = game.clock;
    Shell& shell = app.shell;
    clock.frameCounter = 0;
    clock.stepLength = 1.0f / 60.0f;
    shell.chosenShip = 0;
    // A stall of the wall clock costs a display frame this many steps at most.
    shell.frameStepLimit = hooks.wallClock ? 5 : 0;

    chooseControlsFile(controlsFile);
    const InputState& input = game.input;
    readControlsFile(input.controlsReadFrom.empty() ? input.controlsPath : input.controlsReadFrom);
    shell.selectionCursor = 0;
    openJoystick(hooks);

    resetRegistries();
    loadDefinitions(levelFiles);
    loadSounds();
    app.reload.levelFiles.assign(levelFiles.begin(), levelFiles.end());
    noteDefinitionFiles();
    if (!shell.startOption.empty())
        shell.startProblem = startFrameOf(shell.startOption, shell.startValue, shell.startFrame);
    int status = 0;
    if (app.replay.pendingPlayback && !app.replay.force) {
        const std::string why = definitionsMismatch(app.replay.played);
        if (!why.empty()) {
            std::fprintf(stderr, "quillfray: %s: %s\n", app.replay.playedPath.c_str(),
                         why.c_str());
            app.replay.pendingPlayback = false;
            status = 2;
        }
    }

    Engine* engine = status == 0 && hooks.createEngine ? hooks.createEngine() : nullptr;
    if (engine != nullptr) {
        if (!runEngine(*engine, hooks)) status = 1;
        game.platform.engine = nullptr;
    }

    if (game.platform.joystickOpen) game.platform.joystick->close();
    game.platform.joystickOpen = false;
    return status;
}
