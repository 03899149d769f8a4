// Control mapping: keys, joystick buttons, hat and axes sampled into the action arrays,
// and the text the controls setup screen shows for a binding row.
#include "input/input.h"

#include "core/game_state.h"
#include "platform/platform.h"

#include <string>

namespace {

// Axis deflection beyond which (strictly) an axis counts as a direction.
constexpr int axisThreshold = 8192;

// Direction bits, the same values as a joystick hat.
constexpr int32_t bitUp = 1, bitRight = 2, bitDown = 4, bitLeft = 8;

// The joystick when one is open, else null.
Joystick* openJoystick() {
    return game.shell.joystickOpen ? game.shell.joystick : nullptr;
}

}  // namespace

// True if the engine reports any key of the row held, or an open joystick any button.
bool actionActive(int actionNumber) {
    if (actionNumber < 0 || actionNumber >= action::count) return false;
    const BindingRow& row = game.input.bindingTable[static_cast<size_t>(actionNumber)];
    if (Engine* engine = game.shell.engine) {
        for (uint16_t key : row.keys) {
            if (engine->Input_GetKeyState(key)) return true;
        }
    }
    if (Joystick* joystick = openJoystick()) {
        for (int8_t button : row.buttons) {
            // A negative button number names no button; it is never pressed.
            if (button >= 0 && joystick->getButton(button)) return true;
        }
    }
    return false;
}

// Samples hat, axes, keys and buttons into actionHeld, then steps the edge states.
void readInput() {
    int32_t d = 0;
    if (Joystick* joystick = openJoystick()) {
        d = joystick->getHat(0);
        int ax = joystick->getAxis(0);
        int ay = joystick->getAxis(1);
        if (ax > axisThreshold) d |= bitRight;
        if (ax < -axisThreshold) d |= bitLeft;
        if (ay < -axisThreshold) d |= bitUp;
        if (ay > axisThreshold) d |= bitDown;
    }
    if (actionActive(action::up)) d |= bitUp;
    if (actionActive(action::right)) d |= bitRight;
    if (actionActive(action::down)) d |= bitDown;
    if (actionActive(action::left)) d |= bitLeft;

    auto& heldState = game.input.actionHeld;
    heldState.fill(0);
    heldState[held::directions] = d;
    heldState[held::up] = (d & bitUp) != 0 ? 1 : 0;
    heldState[held::right] = (d & bitRight) != 0 ? 1 : 0;
    heldState[held::down] = (d & bitDown) != 0 ? 1 : 0;
    heldState[held::left] = (d & bitLeft) != 0 ? 1 : 0;
    heldState[held::slowdown] = actionActive(action::slowdown) ? 1 : 0;
    heldState[held::fire] = actionActive(action::fire) ? 1 : 0;
    heldState[held::bomb] = actionActive(action::bomb) ? 1 : 0;
    heldState[held::power] = actionActive(action::power) ? 1 : 0;
    heldState[held::keyConfig] = actionActive(action::keyConfig) ? 1 : 0;
    heldState[held::exit] = actionActive(action::exit) ? 1 : 0;

    // 0 -> 1 on a press, 1/2 -> 2 while held, 1/2 -> 3 on release, 3 -> 0 or 1 after.
    auto& edgeState = game.input.actionEdge;
    for (size_t k = 1; k < edgeState.size(); ++k) {
        if (edgeState[k] == edge::released) edgeState[k] = edge::idle;
        int32_t was = edgeState[k] > 0 ? 3 : 0;
        int32_t is = heldState[k] > 0 ? 1 : 0;
        edgeState[k] = was ^ is;
    }
}

// Key names of the row's keys, then J<n> for each button, joined by commas.
std::string bindingText(int actionNumber) {
    std::string text;
    if (actionNumber < 0 || actionNumber >= action::count) return text;
    const BindingRow& row = game.input.bindingTable[static_cast<size_t>(actionNumber)];
    Engine* engine = game.shell.engine;
    for (uint16_t key : row.keys) {
        if (engine != nullptr) text += engine->Input_GetKeyName(key);
        text += ',';
    }
    for (int8_t button : row.buttons) {
        text += 'J';
        text += std::to_string(button);
        text += ',';
    }
    if (!text.empty()) text.pop_back();
    return text;
}
