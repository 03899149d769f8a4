// Scripted keys of quillfray-sim: key names, "KEY:FROM-TO" holds and the keys of a frame.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// One key held over a range of display frames of the run (both ends included).
struct KeyHold {
    int key = 0;          // game key code, 1..255
    int32_t from = 0;     // first display frame, counted from 0 at the start of the run
    int32_t to = 0;       // last display frame
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
// Parses "KEY:FROM-TO" (or "KEY:FRAME" for one frame); on failure sets `error`.
std::optional<KeyHold> parseKeyHold(std::string_view text, std::string& error);
// The keys held in display frame `frame`, and the key pressed in it: the first hold, in
// the given order, whose key is held now but was not held in the frame before.
FrameKeys keysOfFrame(std::span<const KeyHold> holds, int32_t frame);
