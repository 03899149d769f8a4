// The browser's pads through the Gamepad API: the first connected gamepad, read by polling
// navigator.getGamepads() at every update; one with the standard mapping opens as a pad.
#include "platform/web_platform.h"

#include <emscripten.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Raw buttons and axes a gamepad reports at most; any beyond are not read.
constexpr int maxRawButtons = 32;
constexpr int maxRawAxes = 8;
// Longest gamepad name kept.
constexpr int maxNameBytes = 96;

// What one poll of the first connected gamepad gave.
struct PadPoll {
    int32_t state = 0;   // 0 none, 1 a gamepad without the standard mapping, 2 standard
    int32_t buttonCount = 0;
    std::array<uint8_t, maxRawButtons> buttons{};
    std::array<int16_t, maxRawAxes> axes{};
    std::array<char, maxNameBytes> name{};
};
static_assert(offsetof(PadPoll, buttons) == 8 && offsetof(PadPoll, axes) == 40 &&
                  offsetof(PadPoll, name) == 56,
              "the page script writes these offsets");

// Fills the poll from the first connected gamepad (a standard-mapped one first): buttons
// pressed, axes scaled to -32768..32767, its id. Reading a misbehaving gamepad never
// throws into the game.
EM_JS(void, pollWebPad, (void* out), {
    HEAPU8.fill(0, out, out + 152);
    let pads = [];
    try {
        pads = navigator.getGamepads ? Array.from(navigator.getGamepads() || []) : [];
    } catch (error) {
        return;
    }
    const live = pads.filter(p => p && p.connected !== false);
    const pad = live.find(p => p.mapping === 'standard') || live[0];
    if (!pad) return;
    HEAP32[out >> 2] = pad.mapping === 'standard' ? 2 : 1;
    const buttons = Array.from(pad.buttons || []).slice(0, 32);
    HEAP32[(out + 4) >> 2] = buttons.length;
    buttons.forEach((b, i) => {
        const pressed = typeof b === 'object' ? !!(b && (b.pressed || b.value > 0.5)) : b > 0.5;
        HEAPU8[out + 8 + i] = pressed ? 1 : 0;
    });
    Array.from(pad.axes || []).slice(0, 8).forEach((v, i) => {
        const x = Number.isFinite(v) ? Math.max(-1, Math.min(1, v)) : 0;
        HEAP16[(out + 40 + 2 * i) >> 1] = Math.round(x < 0 ? x * 32768 : x * 32767);
    });
    const id = String(pad.id || "").slice(0, 95);
    for (let i = 0; i < id.length; ++i) {
        const c = id.charCodeAt(i);
        HEAPU8[out + 56 + i] = c >= 32 && c < 127 ? c : 63;
    }
});

// A short rumble of the first gamepad that has an actuator for it.
EM_JS(void, rumbleWebPad, (int milliseconds), {
    try {
        const pads = navigator.getGamepads ? Array.from(navigator.getGamepads() || []) : [];
        const pad = pads.find(p => p && p.vibrationActuator && p.vibrationActuator.playEffect);
        if (pad) pad.vibrationActuator.playEffect('dual-rumble', {
            duration: milliseconds, strongMagnitude: 0.75, weakMagnitude: 0.75});
    } catch (error) {
    }
});

// The standard mapping's button number of each standard button, in PadButton order.
constexpr std::array<int, padButtonCount> standardIndex = {
    0, 1, 2, 3, 8, 16, 9, 10, 11, 4, 5, 12, 13, 14, 15,
};

// The page's first gamepad as the game's joystick; the browser has no hat.
class WebJoystick : public Joystick {
public:
    // Takes the first poll; the page needs no set-up.
    bool init() override {
        update();
        return true;
    }
    // One gamepad when the last poll found one.
    int numJoysticks() override { return now_.state != 0 ? 1 : 0; }
    // Opens the gamepad of the last poll, its buttons held so far not latched.
    bool open(int index) override {
        isOpen_ = index == 0 && now_.state != 0;
        before_ = now_;
        clearButtonLatches();
        return isOpen_;
    }
    // True while the gamepad is open.
    bool opened(int index) override { return isOpen_ && index == 0; }
    // Lets go of the gamepad.
    void close() override { isOpen_ = false; }

    // Polls the gamepad; a button down now that was up at the last poll latches.
    void update() override {
        before_ = now_;
        pollWebPad(&now_);
        now_.name.back() = '\0';
        for (size_t b = 0; b < now_.buttons.size(); ++b)
            if (now_.buttons[b] != 0 && before_.buttons[b] == 0) latched_[b] = true;
    }
    // The browser reports no hat.
    int getHat(int) override { return 0; }
    // Raw axis of the last poll, -32768..32767.
    int getAxis(int axis) override {
        if (!isOpen_ || axis < 0 || axis >= maxRawAxes) return 0;
        return now_.axes[static_cast<size_t>(axis)];
    }
    // Raw buttons of the open gamepad (32 at most).
    int numButtons() override { return isOpen_ ? now_.buttonCount : 0; }
    // Raw button held at the last poll.
    bool getButton(int button) override { return rawHeld(button); }
    // Raw button that went down at a poll since the last clear.
    bool buttonWentDown(int button) override {
        return isOpen_ && button >= 0 && button < maxRawButtons &&
               latched_[static_cast<size_t>(button)];
    }
    // Forgets the presses latched so far.
    void clearButtonLatches() override { latched_.fill(false); }
    // False once the last poll found no gamepad.
    bool attached() override { return isOpen_ && now_.state != 0; }
    // A pad when the browser maps the gamepad to the standard layout.
    bool isPad() override { return isOpen_ && now_.state == 2; }
    // The gamepad's id as the browser gives it.
    std::string deviceName() override { return isOpen_ ? std::string(now_.name.data()) : ""; }
    // Standard button through the standard mapping's numbering.
    bool padButton(PadButton button) override {
        return isPad() && rawHeld(standardIndex[static_cast<size_t>(button)]);
    }
    // Standard button that went down at a poll since the last clear.
    bool padButtonWentDown(PadButton button) override {
        return isPad() && buttonWentDown(standardIndex[static_cast<size_t>(button)]);
    }
    // Sticks as the gamepad's axes 0 to 3; triggers from the analogue buttons 6 and 7.
    int padAxis(PadAxis axis) override {
        if (!isPad()) return 0;
        switch (axis) {
        case PadAxis::leftTrigger: return rawHeld(6) ? 32767 : 0;
        case PadAxis::rightTrigger: return rawHeld(7) ? 32767 : 0;
        default: return now_.axes[static_cast<size_t>(axis)];
        }
    }
    // The browser maps its gamepads itself; mapping lines are for SDL.
    MappingResult addPadMapping(std::string_view) override { return MappingResult::otherSystem; }
    // A dual-rumble effect where the gamepad has the actuator.
    void rumble(int milliseconds) override {
        if (isOpen_ && milliseconds > 0) rumbleWebPad(milliseconds);
    }

private:
    // True while raw button `button` is down on the open gamepad.
    bool rawHeld(int button) const {
        return isOpen_ && button >= 0 && button < now_.buttonCount &&
               now_.buttons[static_cast<size_t>(button)] != 0;
    }

    PadPoll now_, before_;
    std::array<bool, maxRawButtons> latched_{};
    bool isOpen_ = false;
};

}  // namespace

Joystick& webJoystick() {
    static WebJoystick instance;
    return instance;
}
