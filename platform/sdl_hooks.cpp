// The platform hooks of the desktop build: SDL window engine, SDL joystick, error box.
#include "platform/sdl_platform.h"

#include <cstdio>
#include <string>
#include <string_view>

std::string errorLine(std::string_view caption, std::string_view text) {
    return std::string(caption) + ": " + std::string(text);
}

void keepVisibleVideoDrivers() {
    // Leaves SDL only the video drivers that show a window: without a display, SDL would
    // otherwise fall back to a driver that draws nowhere (offscreen, or dummy and its
    // keyboard-reading twin evdev) and run the game where nobody sees it. A driver the user
    // names in SDL_VIDEODRIVER is left alone.
    if (SDL_getenv("SDL_VIDEODRIVER") != nullptr) return;
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const std::string_view name = SDL_GetVideoDriver(i);
        if (name == "dummy" || name == "offscreen" || name == "evdev") continue;
        drivers += (drivers.empty() ? "" : ",") + std::string(name);
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
}

PlatformHooks sdlPlatformHooks(bool fullscreen) {
    PlatformHooks hooks;
    hooks.createEngine = [fullscreen]() -> Engine* {
        keepVisibleVideoDrivers();
        return new SdlEngine(fullscreen);
    };
    hooks.joystick = &sdlJoystick();
    hooks.showError = [](std::string_view text, std::string_view caption) {
        const std::string captionText(caption), bodyText(text);
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, captionText.c_str(),
                                     bodyText.c_str(), nullptr) != 0) {
            std::fprintf(stderr, "%s\n", errorLine(caption, text).c_str());
        }
    };
    hooks.wallClock = true;
    hooks.startupReport = true;
    hooks.padMappings = true;
    return hooks;
}
