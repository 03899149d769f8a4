// The platform hooks of the desktop build: SDL window engine, SDL joystick, error box.
#include "platform/sdl_platform.h"

#include <cstdio>

// "caption: text", the start-up error as printed where no message box can be shown.
std::string errorLine(std::string_view caption, std::string_view text) {
    return std::string(caption) + ": " + std::string(text);
}

// Wires the SDL pieces into the hooks the program entry uses.
PlatformHooks sdlPlatformHooks(bool fullscreen) {
    PlatformHooks hooks;
    hooks.createEngine = [fullscreen]() -> Engine* { return new SdlEngine(fullscreen); };
    hooks.joystick = &sdlJoystick();
    hooks.showError = [](std::string_view text, std::string_view caption) {
        const std::string captionText(caption), bodyText(text);
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, captionText.c_str(),
                                     bodyText.c_str(), nullptr) != 0) {
            std::fprintf(stderr, "%s\n", errorLine(caption, text).c_str());
        }
    };
    return hooks;
}
