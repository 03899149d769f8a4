// Input and controls: the binding table with keyboard and joystick, the controls file,
// the controls setup screen and the ship selection screen.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Action numbers of the binding table.
namespace action {
constexpr int up = 0, right = 1, down = 2, left = 3, slowdown = 4, fire = 5, bomb = 6,
              power = 7, keyConfig = 14, exit = 15;
constexpr int count = 16;
}  // namespace action

// Indices into actionHeld / actionEdge.
namespace held {
constexpr int directions = 0, up = 1, right = 2, down = 3, left = 4, slowdown = 5, fire = 6,
              bomb = 7, power = 8, keyConfig = 14, exit = 15;
}  // namespace held

// Edge states of actionEdge.
namespace edge {
constexpr int idle = 0, pressed = 1, heldDown = 2, released = 3;
}

// The keys and joystick buttons bound to one action.
struct BindingRow {
    std::vector<uint16_t> keys;      // game key codes (Windows virtual-key codes)
    std::vector<int8_t> buttons;     // joystick button numbers
};

// ---------------------------------------------------------------- bindings.cpp

// True if any key or joystick button of the action's row is held.
bool actionActive(int actionNumber);
// Samples keys, buttons, hat and axes into actionHeld and actionEdge.
void readInput();

// ---------------------------------------------------------------- controls_file.cpp

// Fills the binding table from the controls file, then adds F9 and Escape.
void readControlsFile(const std::string& path = "quillfray.cfg");

// ---------------------------------------------------------------- controls_setup.cpp

// Display text of one binding row: key names, then J<n> per button, comma-separated.
std::string bindingText(int actionNumber);
// Frame function of the controls setup screen; always false.
bool controlsSetupFrame();
// Render function of the controls setup screen; always false.
bool controlsSetupRender();

// ---------------------------------------------------------------- ship_selection.cpp

// What the selection tests decided for the current step.
enum class SelectionOutcome { Continue, EndProgram, LeftScreen };
// Tests 1 and 2 of the selection screen: exit and key configuration.
SelectionOutcome selectionExitAndConfig();
// Tests 3 to 5: cursor up and down, then Fire.
SelectionOutcome selectionCursorAndFire();
// Render function of the ship selection screen; always false.
bool shipSelectionRender();
