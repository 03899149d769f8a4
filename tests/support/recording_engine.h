// Small test doubles: an Engine that records scene operations and reports scripted keys,
// and a Joystick with scripted hat, axes and buttons.
#pragma once

#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// One recorded scene operation.
struct RecordedOp {
    enum class Kind { Begin, Clip, Clear, Line, End };
    Kind kind = Kind::Begin;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    uint32_t color = 0;
    float z = 0;
    int clipX = 0, clipY = 0, clipW = 0, clipH = 0;
};

// Records begin/clip/clear/line/end; keys below 256 can be scripted as held.
class RecordingEngine : public Engine {
public:
    std::vector<RecordedOp> ops;
    std::array<bool, 256> keyHeld{};

    // Only the recorded lines, in drawing order.
    std::vector<RecordedOp> lines() const {
        std::vector<RecordedOp> out;
        for (const auto& op : ops) {
            if (op.kind == RecordedOp::Kind::Line) out.push_back(op);
        }
        return out;
    }

    void System_SetState(HgeBoolState, bool) override {}
    void System_SetState(HgeIntState, int) override {}
    void System_SetState(HgeFuncState, FrameFunc) override {}
    void System_SetState(HgeStringState, std::string_view) override {}
    bool System_Initiate() override { return true; }
    bool System_Start() override { return true; }
    std::string System_GetErrorMessage() override { return {}; }
    void System_Shutdown() override {}
    void Release() override {}
    float Timer_GetTime() override { return 0.0f; }
    int Timer_GetFPS() override { return 60; }
    bool Input_GetKeyState(int key) override {
        return key >= 0 && key < 256 && keyHeld[static_cast<size_t>(key)];
    }
    int Input_GetKey() override { return 0; }
    std::string Input_GetKeyName(int key) override { return std::to_string(key); }
    bool Gfx_BeginScene() override {
        ops.push_back({RecordedOp::Kind::Begin});
        return true;
    }
    void Gfx_SetClipping(int x, int y, int w, int h) override {
        RecordedOp op{RecordedOp::Kind::Clip};
        op.clipX = x, op.clipY = y, op.clipW = w, op.clipH = h;
        ops.push_back(op);
    }
    void Gfx_Clear(uint32_t color) override {
        RecordedOp op{RecordedOp::Kind::Clear};
        op.color = color;
        ops.push_back(op);
    }
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color,
                        float z) override {
        ops.push_back({RecordedOp::Kind::Line, x1, y1, x2, y2, color, z});
    }
    void Gfx_EndScene() override { ops.push_back({RecordedOp::Kind::End}); }
};

// A joystick whose hat, axes and buttons the test sets directly.
class FakeJoystick : public Joystick {
public:
    int hat = 0;
    std::array<int, 2> axes{};
    std::vector<bool> buttons = std::vector<bool>(8, false);

    bool init() override { return true; }
    int numJoysticks() override { return 1; }
    bool open(int) override { return true; }
    bool opened(int) override { return true; }
    void close() override {}
    void update() override {}
    int getHat(int) override { return hat; }
    int getAxis(int axis) override {
        return axis >= 0 && axis < 2 ? axes[static_cast<size_t>(axis)] : 0;
    }
    int numButtons() override { return static_cast<int>(buttons.size()); }
    bool getButton(int button) override {
        return button >= 0 && static_cast<size_t>(button) < buttons.size() &&
               buttons[static_cast<size_t>(button)];
    }
};

}  // namespace testing_support
