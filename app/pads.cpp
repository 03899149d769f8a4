// Pads at run time: the mapping files read at start-up, hot-plug (a joystick plugged in
// is taken up, one unplugged during a run pauses it), and the rumble on a hit.
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// Joysticks tried when opening one; any beyond are never opened.
constexpr int maxJoysticksTried = 16;
// Seconds the left strip says a pad was connected.
constexpr float connectedNoteSeconds = 4.0f;
// How long a hit rumbles.
constexpr int hitRumbleMilliseconds = 250;

// Prints the warnings of one mapping source on stderr.
void reportMappings(const MappingReport& report) {
    for (const std::string& warning : report.warnings)
        std::fprintf(stderr, "quillfray: %s\n", warning.c_str());
    if (report.warningsLeftOut > 0)
        std::fprintf(stderr, "quillfray: %d more mapping lines skipped\n", report.warningsLeftOut);
}

// Engine time, 0 without an engine.
float now() {
    Engine* engine = game.platform.engine;
    return engine != nullptr ? engine->Timer_GetTime() : 0.0f;
}

// Says in the left strip, for a few seconds, which pad was just taken up.
void noteConnected(Joystick& joystick) {
    Shell& shell = app.shell;
    const std::string name = joystick.deviceName();
    shell.padNote = (joystick.isPad() ? "Pad connected: " : "Joystick connected: ") +
                    (name.empty() ? std::string("(no name)") : name);
    if (shell.paused && shell.screen == ScreenId::Gameplay) shell.padNote += ". Start or P resumes";
    shell.padNoteUntil = now() + connectedNoteSeconds;
}

}  // namespace

void loadPadMappings(Joystick& joystick, const std::string& userFolder) {
    reportMappings(addPadMappingFile(definitionPath("gamecontrollerdb.txt"), joystick));
    if (!userFolder.empty())
        reportMappings(addPadMappingFile(
            (std::filesystem::path(userFolder) / "gamecontrollerdb.txt").string(), joystick));
    if (const char* variable = std::getenv("SDL_GAMECONTROLLERCONFIG")) {
        std::string_view text(variable);
        if (text.size() > maxMappingFileBytes) text = text.substr(0, maxMappingFileBytes);
        reportMappings(addPadMappings(text, "SDL_GAMECONTROLLERCONFIG", joystick));
    }
}

bool openFirstJoystick(Joystick& joystick) {
    const int count = std::min(joystick.numJoysticks(), maxJoysticksTried);
    int firstRaw = -1;
    for (int index = 0; index < count; ++index) {
        if (!joystick.open(index)) continue;
        if (joystick.isPad()) return true;
        if (firstRaw < 0) firstRaw = index;
        joystick.close();
    }
    return firstRaw >= 0 && joystick.open(firstRaw);
}

void pollPads() {
    PlatformHandles& platform = game.platform;
    Joystick* joystick = platform.joystick;
    if (joystick == nullptr) return;
    joystick->update();
    Shell& shell = app.shell;
    if (!platform.joystickOpen) {
        // Joysticks that would not open are tried again only once their number changes.
        const int present = joystick->numJoysticks();
        if (present == platform.joysticksTried) return;
        platform.joysticksTried = present;
        if (present == 0 || !openFirstJoystick(*joystick)) return;
        platform.joystickOpen = true;
        joystick->clearButtonLatches();
        noteConnected(*joystick);
        return;
    }
    if (joystick->attached()) return;
    joystick->close();
    platform.joystickOpen = false;
    platform.joysticksTried = 0;
    if (shell.screen != ScreenId::Gameplay) return;
    if (!shell.paused) pauseRun();
    shell.padNote = "Pad disconnected: paused. Reconnect it, then Start or P resumes";
    shell.padNoteUntil = 0;
}

void rumbleOnHit() {
    if (!game.input.padRumble || !game.platform.joystickOpen) return;
    for (const StepEvent& event : game.events.list) {
        if (event.kind != StepEventKind::PlayerHit) continue;
        game.platform.joystick->rumble(hitRumbleMilliseconds);
        return;
    }
}
