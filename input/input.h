// Input: the binding table sampled from keyboard and joystick into the action arrays,
// the display text of a binding row, and the controls file.
#pragma once

#include "core/controls.h"

#include <cstdint>
#include <string>

// ---------------------------------------------------------------- bindings.cpp

// True if the engine reports any key of the row held, or an open joystick any button.
bool actionActive(Action action);
// Samples keys, buttons, hat and axes into actionHeld and actionEdge. A key or button
// that went down since the last sample counts as held for this one, even if it is up
// again; the engine's and joystick's latches are cleared afterwards.
void readInput();
// Entries 1 to 14 of actionHeld as bits (bit k: entry k held), as replays record them.
uint16_t heldBits();
// readInput with entries 0 to 14 taken from recorded held bits; exit stays the keyboard's.
void readInputReplaying(uint16_t bits);
// Display text of one binding row: key names, then J<n> per button, comma-separated.
std::string bindingText(Action action);

// ---------------------------------------------------------------- controls_file.cpp

// Fills the binding table from the controls file, then adds F9 and Escape.
void readControlsFile(const std::string& path = "quillfray.cfg");
// Writes rows 0..7 of the binding table into the controls file at `path` (created when
// missing) through a temporary file renamed into place, keeping every other line of
// `keptFrom` (empty: of `path` itself). Returns "" when saved, otherwise the reason (the
// system's error text); the file is then left as it was.
std::string saveControlsFile(const std::string& path, const std::string& keptFrom = {});
