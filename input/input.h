// Input: the binding table sampled from keyboard, joystick and pad into the action arrays,
// the display text of a binding row, the controls file, and the pad's standard layout
// with its names and mapping lines.
#pragma once

#include "core/controls.h"
#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------- bindings.cpp

// True if the engine reports any key of the row held, or an open joystick any button.
bool actionActive(Action action);
// Samples keys, buttons, hat, axes and touch into actionHeld and actionEdge. A key or
// button that went down since the last sample counts as held for this one, even if it is
// up again; the engine's and joystick's latches are cleared afterwards.
void readInput();
// Entries 1 to 14 of actionHeld as bits (bit k: entry k held), as replays record them.
uint16_t heldBits();
// readInput with entries 0 to 14 taken from recorded held bits; exit stays the keyboard's.
void readInputReplaying(uint16_t bits);
// Display text of one binding row: key names, then J<n> per raw button, then pad button
// names, comma-separated; with a pad open, a row on the standard layout adds its buttons
// in brackets ("Z,(A)").
std::string bindingText(Action action);
// The open joystick when it is a pad, else null.
Joystick* openPad();

// ---------------------------------------------------------------- touch.cpp

// The touchbuttons bit of the on-screen button that stands for `action`, 0 if none.
uint8_t touchButtonOf(Action action);
// The direction bits that steer the ship after the finger: its motion (picture pixels)
// added to what the ship has not yet followed, less what the ship moved since the last
// sample; `slow` and `firing` say how far the ship's step goes. No finger, or no run
// played (TouchSteering::plays), forgets the steering and gives none.
int32_t touchDirections(const TouchMotion& finger, bool slow, bool firing);

// ---------------------------------------------------------------- controls_file.cpp

// Fills the binding table from the controls file, then adds F9 and Escape.
void readControlsFile(const std::string& path = "quillfray.cfg");
// Writes rows 0..7 of the binding table into the controls file at `path` (created when
// missing) through a temporary file renamed into place, keeping every other line of
// `keptFrom` (empty: of `path` itself). Returns "" when saved, otherwise the reason (the
// system's error text); the file is then left as it was.
std::string saveControlsFile(const std::string& path, const std::string& keptFrom = {});

// ---------------------------------------------------------------- pads.cpp

// One entry of the pad's standard layout: a standard button and the action it means.
struct PadLayoutEntry {
    PadButton button;
    Action action;
};
// The standard layout: D-pad moves, A fire, B bomb, X power attack, right shoulder or Y
// slowdown, Start pause, Back exit. (The left stick moves too, past the dead zone.)
std::span<const PadLayoutEntry> padLayout();
// The name a standard button has in mapping lines and --hold ("a", "leftshoulder").
std::string_view padButtonId(PadButton button);
// The standard button a mapping-line name names, if any.
std::optional<PadButton> padButtonFromId(std::string_view id);
// The name the controls setup shows for a standard button ("A", "LB", "Start").
std::string_view padButtonLabel(PadButton button);
// The standard axis a mapping-line name names ("leftx", "lefty", ...), if any.
std::optional<PadAxis> padAxisFromId(std::string_view id);
// The direction bits (1 up, 2 right, 4 down, 8 left) of a left stick at (x, y), each axis
// counting when strictly past `deadZonePercent` of full deflection.
int32_t stickDirections(int x, int y, int32_t deadZonePercent);

// What reading mapping lines did: lines added, lines for another system, lines refused
// (one warning each up to a cap; the rest counted in warningsLeftOut).
struct MappingReport {
    int added = 0, otherSystem = 0, refused = 0;
    std::vector<std::string> warnings;
    int warningsLeftOut = 0;
};
// Longest mapping line read; longer ones are refused.
constexpr size_t maxMappingLine = 1024;
// Mapping lines read from one source at most; the rest are left out with one warning.
constexpr int maxMappingLines = 5000;
// Warnings one source gives at most.
constexpr int maxMappingWarnings = 5;
// Largest gamecontrollerdb.txt read; only its start is read.
constexpr size_t maxMappingFileBytes = size_t{4} << 20;
// Checks the mapping lines of `text` (a gamecontrollerdb.txt or SDL_GAMECONTROLLERCONFIG;
// `source` names it in warnings) and hands the good ones to the joystick layer. Blank
// lines and # comments are skipped; a line needs a 32-digit hex GUID, a name and a field.
MappingReport addPadMappings(std::string_view text, std::string_view source, Joystick& joystick);
// addPadMappings for the file at `path` (its first maxMappingFileBytes); nothing when it
// is missing or not a regular file.
MappingReport addPadMappingFile(const std::string& path, Joystick& joystick);
