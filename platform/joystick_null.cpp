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
};

}  // namespace

Joystick& nullJoystick() {
    static NullJoystick instance;
    return instance;
}
