// Browser platform (emscripten): the web engine drawing into the page's canvas, its
// keyboard translation, the page's gamepads, and the hooks of the browser build.
#pragma once

#include "platform/platform.h"

#include <string_view>

// The hooks of the browser build: the web engine, the page's gamepads, errors on the
// console.
PlatformHooks webPlatformHooks();

// The page's first gamepad through the Gamepad API (one for the whole run).
Joystick& webJoystick();

// Runs the web engine's frames again after a frame function returned true and stopped
// them; nothing when they run.
void resumeWebFrames();

// The game key code of a browser key event from its KeyboardEvent.key and .code values,
// 0 if the game has none. The keypad goes by place; otherwise the symbol decides, and a
// symbol the game does not know falls back to the key's place, as in the SDL window.
int virtualKeyFromBrowser(std::string_view key, std::string_view code);
