// Control mapping: keys, joystick buttons, hat and axes, and a pad's standard buttons and
// left stick, sampled into the action arrays; and the text the controls setup screen shows
// for a binding row.
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
    return game.platform.joystickOpen ? game.platform.joystick : nullptr;
}

}  // namespace

Joystick* openPad() {
    Joystick* joystick = openJoystick();
    return joystick != nullptr && joystick->isPad() ? joystick : nullptr;
}

namespace {

// True if `padTest` holds for a standard button of the action's row on an open pad: the
// row's own pad buttons, or when the row holds no raw or pad button, the layout's.
template <class PadTest>
bool anyPadOfRow(const BindingRow& row, Action action, PadTest padTest) {
    Joystick* pad = openPad();
    if (pad == nullptr) return false;
    if (row.buttons.empty() && row.pads.empty()) {
        for (const PadLayoutEntry& entry : padLayout())
            if (entry.action == action && padTest(*pad, entry.button)) return true;
        return false;
    }
    for (uint8_t button : row.pads)
        if (button < padButtonCount && padTest(*pad, static_cast<PadButton>(button))) return true;
    return false;
}

// True if `keyTest` holds for any key of the action's row on the engine, `buttonTest`
// for any of its raw buttons on an open joystick, or `padTest` for a standard button.
template <class KeyTest, class ButtonTest, class PadTest>
bool anyOfRow(Action action, KeyTest keyTest, ButtonTest buttonTest, PadTest padTest) {
    if (static_cast<int>(action) >= actionCount) return false;
    const BindingRow& row = game.input.bindingTable[action];
    if (Engine* engine = game.platform.engine) {
        for (uint16_t key : row.keys) {
            if (keyTest(*engine, key)) return true;
        }
    }
    if (Joystick* joystick = openJoystick()) {
        for (int8_t button : row.buttons) {
            // A negative button number names no button; it is never pressed.
            if (button >= 0 && buttonTest(*joystick, button)) return true;
        }
    }
    return anyPadOfRow(row, action, padTest);
}

// True if a key or an open joystick's button of the action's row went down since the
// latches were last cleared, even if it is already up again.
bool actionWentDown(Action action) {
    return anyOfRow(
        action, [](Engine& e, uint16_t key) { return e.Input_KeyWentDown(key); },
        [](Joystick& j, int8_t button) { return j.buttonWentDown(button); },
        [](Joystick& j, PadButton button) { return j.padButtonWentDown(button); });
}

}  // namespace

bool actionActive(Action action) {
    if (const uint8_t touch = touchButtonOf(action); touch != 0 && game.platform.engine != nullptr &&
                                                     (game.platform.engine->Input_TouchButtons() & touch) != 0)
        return true;
    return anyOfRow(
        action, [](Engine& e, uint16_t key) { return e.Input_GetKeyState(key); },
        [](Joystick& j, int8_t button) { return j.getButton(button); },
        [](Joystick& j, PadButton button) { return j.padButton(button); });
}

namespace {

// Held for this sample: held now, or tapped since the last sample, so that a press and
// release between two samples still counts for exactly one.
bool actionSampled(Action action) {
    return actionActive(action) || actionWentDown(action);
}

// Forgets the key and button presses the sample just took in.
void clearLatches() {
    if (Engine* engine = game.platform.engine) engine->Input_ClearLatches();
    if (Joystick* joystick = openJoystick()) joystick->clearButtonLatches();
}

// Samples hat, axes, keys, buttons and touch (taps since the last sample included) into
// actionHeld, then clears the latches. A pad moves by its left stick past the dead zone
// (and its D-pad through the layout); a raw joystick by hat 0 and axes 0 and 1.
void sampleHeld() {
    int32_t d = 0;
    if (Joystick* pad = openPad()) {
        d = stickDirections(pad->padAxis(PadAxis::leftX), pad->padAxis(PadAxis::leftY),
                            game.input.padDeadZone);
    } else if (Joystick* joystick = openJoystick()) {
        d = joystick->getHat(0);
        int ax = joystick->getAxis(0);
        int ay = joystick->getAxis(1);
        if (ax > axisThreshold) d |= bitRight;
        if (ax < -axisThreshold) d |= bitLeft;
        if (ay < -axisThreshold) d |= bitUp;
        if (ay > axisThreshold) d |= bitDown;
    }
    if (actionSampled(Action::up)) d |= bitUp;
    if (actionSampled(Action::right)) d |= bitRight;
    if (actionSampled(Action::down)) d |= bitDown;
    if (actionSampled(Action::left)) d |= bitLeft;
    const bool slow = actionSampled(Action::slowdown);
    TouchMotion finger;
    if (Engine* engine = game.platform.engine) finger = engine->Input_TakeTouch();
    const bool fire = actionSampled(Action::fire) || (finger.fingerDown && game.input.touch.plays);
    d |= touchDirections(finger, slow, fire);

    auto& heldState = game.input.actionHeld;
    heldState.fill(0);
    heldState[Held::directions] = d;
    heldState[Held::up] = (d & bitUp) != 0 ? 1 : 0;
    heldState[Held::right] = (d & bitRight) != 0 ? 1 : 0;
    heldState[Held::down] = (d & bitDown) != 0 ? 1 : 0;
    heldState[Held::left] = (d & bitLeft) != 0 ? 1 : 0;
    heldState[Held::slowdown] = slow ? 1 : 0;
    heldState[Held::fire] = fire ? 1 : 0;
    heldState[Held::bomb] = actionSampled(Action::bomb) ? 1 : 0;
    heldState[Held::power] = actionSampled(Action::power) ? 1 : 0;
    heldState[Held::keyConfig] = actionSampled(Action::keyConfig) ? 1 : 0;
    heldState[Held::exit] = actionSampled(Action::exit) ? 1 : 0;
    clearLatches();
}

// Steps the edge states from the held entries: 0 -> 1 on a press, 1/2 -> 2 while held,
// 1/2 -> 3 on release, 3 -> 0 or 1 after.
void stepEdges() {
    const auto& heldState = game.input.actionHeld;
    auto& edgeState = game.input.actionEdge;
    for (int k = 1; k < heldCount; ++k) {
        const auto entry = static_cast<Held>(k);
        if (edgeState[entry] == edge::released) edgeState[entry] = edge::idle;
        int32_t was = edgeState[entry] > 0 ? 3 : 0;
        int32_t is = heldState[entry] > 0 ? 1 : 0;
        edgeState[entry] = was ^ is;
    }
}

}  // namespace

void readInput() {
    sampleHeld();
    stepEdges();
}

uint16_t heldBits() {
    uint16_t bits = 0;
    for (int k = 1; k < static_cast<int>(Held::exit); ++k) {
        if (game.input.actionHeld[static_cast<Held>(k)] != 0) bits |= uint16_t(1u << k);
    }
    return bits;
}

void readInputReplaying(uint16_t bits) {
    // Samples the keys as readInput does, then replaces entries 0 to 14 with recorded held
    // bits (entry 0, the direction bits, from bits 1 to 4); the exit action stays as
    // sampled. Then steps the edge states.
    sampleHeld();
    auto& heldState = game.input.actionHeld;
    for (int k = 1; k < static_cast<int>(Held::exit); ++k)
        heldState[static_cast<Held>(k)] = (bits >> k) & 1;
    heldState[Held::directions] = (bits >> 1) & 15;
    stepEdges();
}

std::string bindingText(Action action) {
    std::string text;
    if (static_cast<int>(action) >= actionCount) return text;
    const BindingRow& row = game.input.bindingTable[action];
    Engine* engine = game.platform.engine;
    for (uint16_t key : row.keys) {
        if (engine != nullptr) text += engine->Input_GetKeyName(key);
        text += ',';
    }
    for (int8_t button : row.buttons) {
        text += 'J';
        text += std::to_string(button);
        text += ',';
    }
    for (uint8_t button : row.pads) {
        if (button < padButtonCount) text += padButtonLabel(static_cast<PadButton>(button));
        text += ',';
    }
    if (openPad() != nullptr && row.buttons.empty() && row.pads.empty()) {
        for (const PadLayoutEntry& entry : padLayout()) {
            if (entry.action != action) continue;
            text += '(';
            text += padButtonLabel(entry.button);
            text += "),";
        }
    }
    if (!text.empty()) text.pop_back();
    return text;
}
