// The open joystick through SDL2's joystick and game controller subsystems: a joystick
// SDL has a mapping for opens as a pad and reports the standard buttons and axes too.
#include "platform/sdl_platform.h"

#include <array>
#include <string>

namespace {

// The SDL joystick layer: at most one open joystick, read by polling; button presses
// are also watched as events so that a tap between two updates still latches.
class SdlJoystick : public Joystick {
public:
    // Starts the joystick and game controller subsystems. The game polls and refreshes the
    // joystick only in update(); of the joystick events only button presses are made, and
    // only for the watch below, which latches them as SDL_JoystickUpdate reports them.
    // SDL_GAMECONTROLLERCONFIG is left to the game, which checks its lines before adding
    // them (addPadMapping).
    bool init() override {
        SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
        SDL_SetHintWithPriority(SDL_HINT_GAMECONTROLLERCONFIG, "", SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
        pads_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
        SDL_JoystickEventState(SDL_IGNORE);
        if (pads_) SDL_GameControllerEventState(SDL_IGNORE);
        SDL_EventState(SDL_JOYBUTTONDOWN, SDL_ENABLE);
        if (pads_) SDL_EventState(SDL_CONTROLLERBUTTONDOWN, SDL_ENABLE);
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

    // Opens joystick `index` (as a pad when SDL has a mapping for it), closing any other.
    bool open(int index) override {
        close();
        if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return false;
        if (pads_ && SDL_IsGameController(index)) {
            controller_ = SDL_GameControllerOpen(index);
            if (controller_ != nullptr) handle_ = SDL_GameControllerGetJoystick(controller_);
        }
        if (handle_ == nullptr) handle_ = SDL_JoystickOpen(index);
        openIndex_ = handle_ ? index : -1;
        return handle_ != nullptr;
    }

    // True while joystick `index` is the open one.
    bool opened(int index) override { return handle_ != nullptr && openIndex_ == index; }

    // Closes the open joystick and forgets its button presses.
    void close() override {
        if (controller_ != nullptr) {
            SDL_GameControllerClose(controller_);
        } else if (handle_ != nullptr) {
            SDL_JoystickClose(handle_);
        }
        controller_ = nullptr;
        handle_ = nullptr;
        openIndex_ = -1;
        clearButtonLatches();
    }

    // Refreshes the open joystick and SDL's list of attached joysticks.
    void update() override {
        if (SDL_WasInit(SDL_INIT_JOYSTICK) != 0) SDL_JoystickUpdate();
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
    void clearButtonLatches() override {
        latched_.fill(false);
        padLatched_.fill(false);
    }

    // False once the open joystick is unplugged (and when none is open).
    bool attached() override {
        return handle_ != nullptr && SDL_JoystickGetAttached(handle_) == SDL_TRUE;
    }

    // True when the open joystick was opened as a game controller.
    bool isPad() override { return controller_ != nullptr; }

    // SDL's name for the open joystick.
    std::string deviceName() override {
        const char* name = controller_ != nullptr ? SDL_GameControllerName(controller_)
                           : handle_ != nullptr   ? SDL_JoystickName(handle_)
                                                  : nullptr;
        return name != nullptr ? std::string(name) : std::string();
    }

    // The standard button through the pad's mapping.
    bool padButton(PadButton button) override {
        return controller_ != nullptr &&
               SDL_GameControllerGetButton(controller_, toSdl(button)) != 0;
    }

    // True if the pad reported the standard button pressed since the last clear.
    bool padButtonWentDown(PadButton button) override {
        return controller_ != nullptr && padLatched_[static_cast<size_t>(button)];
    }

    // The standard axis through the pad's mapping.
    int padAxis(PadAxis axis) override {
        if (controller_ == nullptr) return 0;
        return SDL_GameControllerGetAxis(controller_,
                                         static_cast<SDL_GameControllerAxis>(axis));
    }

    // Adds the line to SDL's mappings unless its platform field names another system.
    MappingResult addPadMapping(std::string_view line) override {
        if (!pads_) return MappingResult::refused;
        constexpr std::string_view field = "platform:";
        const size_t at = line.find(field);
        if (at != std::string_view::npos) {
            std::string_view system = line.substr(at + field.size());
            system = system.substr(0, system.find(','));
            if (system != SDL_GetPlatform()) return MappingResult::otherSystem;
        }
        const std::string text(line);
        return SDL_GameControllerAddMapping(text.c_str()) >= 0 ? MappingResult::added
                                                               : MappingResult::refused;
    }

    // Both motors at three quarters for the given time, where the pad has them.
    void rumble(int milliseconds) override {
        if (milliseconds <= 0) return;
        const auto ms = static_cast<Uint32>(milliseconds);
        if (controller_ != nullptr) {
            SDL_GameControllerRumble(controller_, 0xC000, 0xC000, ms);
        } else if (handle_ != nullptr) {
            SDL_JoystickRumble(handle_, 0xC000, 0xC000, ms);
        }
    }

private:
    // SDL's number of a standard button (the game's numbering is SDL's).
    static SDL_GameControllerButton toSdl(PadButton button) {
        return static_cast<SDL_GameControllerButton>(button);
    }

    // Event watch: latches a raw or standard button press of the open joystick. SDL calls
    // it from SDL_JoystickUpdate, on the game's thread; the window's event loop drops the
    // event.
    static int SDLCALL watchEvent(void* self, SDL_Event* event) {
        auto& joystick = *static_cast<SdlJoystick*>(self);
        if (joystick.handle_ == nullptr) return 0;
        const SDL_JoystickID open = SDL_JoystickInstanceID(joystick.handle_);
        if (event->type == SDL_JOYBUTTONDOWN && event->jbutton.which == open &&
            event->jbutton.button < joystick.latched_.size())
            joystick.latched_[event->jbutton.button] = true;
        if (event->type == SDL_CONTROLLERBUTTONDOWN && event->cbutton.which == open &&
            event->cbutton.button < joystick.padLatched_.size())
            joystick.padLatched_[event->cbutton.button] = true;
        return 0;
    }

    SDL_Joystick* handle_ = nullptr;
    SDL_GameController* controller_ = nullptr;
    int openIndex_ = -1;
    bool watching_ = false;
    bool pads_ = false;
    std::array<bool, 256> latched_{};
    std::array<bool, padButtonCount> padLatched_{};
};

static_assert(SDL_HAT_UP == 1 && SDL_HAT_RIGHT == 2 && SDL_HAT_DOWN == 4 && SDL_HAT_LEFT == 8,
              "hat bits must match the game's direction bits");
static_assert(SDL_CONTROLLER_BUTTON_A == static_cast<int>(PadButton::a) &&
                  SDL_CONTROLLER_BUTTON_START == static_cast<int>(PadButton::start) &&
                  SDL_CONTROLLER_BUTTON_DPAD_RIGHT == static_cast<int>(PadButton::dpRight),
              "standard buttons must be numbered as SDL numbers them");
static_assert(SDL_CONTROLLER_AXIS_LEFTY == static_cast<int>(PadAxis::leftY) &&
                  SDL_CONTROLLER_AXIS_TRIGGERRIGHT == static_cast<int>(PadAxis::rightTrigger),
              "standard axes must be numbered as SDL numbers them");

}  // namespace

Joystick& sdlJoystick() {
    static SdlJoystick instance;
    return instance;
}
