// Scripted keys and pad of quillfray-sim: key names, "KEY:FROM-TO" and "pad:NAME:FROM-TO"
// holds, and the keys and pad of a frame.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// One key, pad button or pad axis deflection held over a range of display frames of the
// run (both ends included).
struct KeyHold {
    int key = 0;          // game key code, 1..255; 0 for a pad hold
    int32_t from = 0;     // first display frame, counted from 0 at the start of the run
    int32_t to = 0;       // last display frame
    int padButton = -1;   // a standard pad button (PadButton number), or -1
    int padAxis = -1;     // a standard pad axis (PadAxis number), or -1
    int axisValue = 0;    // the axis's deflection -32768..32767 while held
};

// The scripted pad during one display frame.
struct FramePad {
    std::array<bool, 15> buttons{};  // standard buttons held, in PadButton order
    std::array<int, 6> axes{};       // standard axes, in PadAxis order
};

// The keyboard as the engine reports it during one display frame.
struct FrameKeys {
    std::array<bool, 256> held{};  // Input_GetKeyState
    int pressed = 0;               // Input_GetKey: a key that became held in this frame
};

// The key code a text names: a key name (left, right, up, down, z, x, c, shift, space,
// escape, f9, r; any case), a decimal number or a 0x hex number, within 1..255.
std::optional<int> keyCodeFromText(std::string_view text);
// The names keyCodeFromText knows, for the usage text.
std::string keyNameList();
// Parses "KEY:FROM-TO" (or "KEY:FRAME" for one frame), or a pad hold: "pad:BUTTON:...",
// "pad:AXIS-:..." / "pad:AXIS+:..." at full deflection, "pad:AXIS=VALUE:..." (-1..1); on
// failure sets `error`.
std::optional<KeyHold> parseKeyHold(std::string_view text, std::string& error);
// The keys held in display frame `frame`, and the key pressed in it: the first hold, in
// the given order, whose key is held now but was not held in the frame before.
FrameKeys keysOfFrame(std::span<const KeyHold> holds, int32_t frame);
// True when any hold is a pad hold (the run then has a pad plugged in).
bool holdsPad(std::span<const KeyHold> holds);
// The scripted pad in display frame `frame`: buttons held, and each axis at the deflection
// of the last hold of it covering the frame (centred without one).
FramePad padOfFrame(std::span<const KeyHold> holds, int32_t frame);
// The pad hold names, for the usage text.
std::string padNameList();
