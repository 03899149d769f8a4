// Joystick 0 through SDL2's joystick subsystem.
#include "platform/sdl_platform.h"

namespace {

// The SDL joystick layer: at most one open joystick, read by polling.
class SdlJoystick : public Joystick {
public:
    // Starts the joystick subsystem; the game polls, so joystick events are not queued.
    bool init() override {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
        SDL_JoystickEventState(SDL_IGNORE);
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

    // Closes the open joystick.
    void close() override {
        if (handle_) SDL_JoystickClose(handle_);
        handle_ = nullptr;
        openIndex_ = -1;
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

private:
    SDL_Joystick* handle_ = nullptr;
    int openIndex_ = -1;
};

static_assert(SDL_HAT_UP == 1 && SDL_HAT_RIGHT == 2 && SDL_HAT_DOWN == 4 && SDL_HAT_LEFT == 8,
              "hat bits must match the game's direction bits");

}  // namespace

// The one SDL joystick layer of the run.
Joystick& sdlJoystick() {
    static SdlJoystick instance;
    return instance;
}
