// Joystick 0 through SDL2's joystick subsystem.
#include "platform/sdl_platform.h"

#include <array>

namespace {

// The SDL joystick layer: at most one open joystick, read by polling; button presses
// are also watched as events so that a tap between two updates still latches.
class SdlJoystick : public Joystick {
public:
    // Starts the joystick subsystem. The game polls and refreshes the joystick only in
    // update(); of the joystick events only button presses are made, and only for the
    // watch below, which latches them as SDL_JoystickUpdate reports them.
    bool init() override {
        SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
        SDL_JoystickEventState(SDL_IGNORE);
        SDL_EventState(SDL_JOYBUTTONDOWN, SDL_ENABLE);
        if (!watching_) {
            SDL_AddEventWatch(&SdlJoystick::watchEvent, this);
            watching_ = true;
        }
        return true;
    }

    // Joysticks attached now; none when the subsystem is not running.
    int numJoysticks() override {
        if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return 0;
        const int count = SDL_NumJoysticks();
        return count > 0 ? count : 0;
    }

    // Opens joystick `index`, closing any other first.
    bool open(int index) override {
        close();
        if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return false;
        handle_ = SDL_JoystickOpen(index);
        openIndex_ = handle_ ? index : -1;
        return handle_ != nullptr;
    }

    // True while joystick `index` is the open one.
    bool opened(int index) override { return handle_ != nullptr && openIndex_ == index; }

    // Closes the open joystick and forgets its button presses.
    void close() override {
        if (handle_) SDL_JoystickClose(handle_);
        handle_ = nullptr;
        openIndex_ = -1;
        latched_.fill(false);
    }

    // Refreshes the state of every open joystick.
    void update() override {
        if (handle_) SDL_JoystickUpdate();
    }

    // Hat position bits (SDL's values are the game's: 1 up, 2 right, 4 down, 8 left).
    int getHat(int hat) override {
        return handle_ ? static_cast<int>(SDL_JoystickGetHat(handle_, hat)) : 0;
    }

    // Axis position -32768..32767, 0 without a joystick.
    int getAxis(int axis) override {
        return handle_ ? static_cast<int>(SDL_JoystickGetAxis(handle_, axis)) : 0;
    }

    // Buttons of the open joystick.
    int numButtons() override {
        if (!handle_) return 0;
        const int count = SDL_JoystickNumButtons(handle_);
        return count > 0 ? count : 0;
    }

    // True while the button is pressed.
    bool getButton(int button) override {
        return handle_ != nullptr && SDL_JoystickGetButton(handle_, button) != 0;
    }

    // True if the open joystick reported the button pressed since the last clear.
    bool buttonWentDown(int button) override {
        if (handle_ == nullptr || button < 0 || button >= static_cast<int>(latched_.size()))
            return false;
        return latched_[static_cast<size_t>(button)];
    }

    // Forgets the button presses seen so far.
    void clearButtonLatches() override { latched_.fill(false); }

private:
    // Event watch: latches a button press of the open joystick. SDL calls it from
    // SDL_JoystickUpdate, on the game's thread; the window's event loop drops the event.
    static int SDLCALL watchEvent(void* self, SDL_Event* event) {
        auto& joystick = *static_cast<SdlJoystick*>(self);
        if (event->type != SDL_JOYBUTTONDOWN || joystick.handle_ == nullptr) return 0;
        if (event->jbutton.which != SDL_JoystickInstanceID(joystick.handle_)) return 0;
        if (event->jbutton.button < joystick.latched_.size())
            joystick.latched_[event->jbutton.button] = true;
        return 0;
    }

    SDL_Joystick* handle_ = nullptr;
    int openIndex_ = -1;
    bool watching_ = false;
    std::array<bool, 256> latched_{};
};

static_assert(SDL_HAT_UP == 1 && SDL_HAT_RIGHT == 2 && SDL_HAT_DOWN == 4 && SDL_HAT_LEFT == 8,
              "hat bits must match the game's direction bits");

}  // namespace

Joystick& sdlJoystick() {
    static SdlJoystick instance;
    return instance;
}
