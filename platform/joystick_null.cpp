// The joystick layer for machines and programs without a joystick: nothing is present.
#include "platform/platform.h"

namespace {

// Reports no joystick and reads every control as centred or released.
class NullJoystick : public Joystick {
public:
    bool init() override { return true; }
    int numJoysticks() override { return 0; }
    bool open(int) override { return false; }
    bool opened(int) override { return false; }
    void close() override {}
    void update() override {}
    int getHat(int) override { return 0; }
    int getAxis(int) override { return 0; }
    int numButtons() override { return 0; }
    bool getButton(int) override { return false; }
    bool buttonWentDown(int) override { return false; }
    void clearButtonLatches() override {}
    bool attached() override { return false; }
    bool isPad() override { return false; }
    std::string deviceName() override { return {}; }
    bool padButton(PadButton) override { return false; }
    bool padButtonWentDown(PadButton) override { return false; }
    int padAxis(PadAxis) override { return 0; }
    MappingResult addPadMapping(std::string_view) override { return MappingResult::added; }
    void rumble(int) override {}
};

}  // namespace

Joystick& nullJoystick() {
    static NullJoystick instance;
    return instance;
}
