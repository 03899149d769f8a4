// Headless backend: a virtual clock the caller advances, scripted keys and joystick,
// and a record of every scene operation. Tests and tools run the game on it.
#pragma once

#include "platform/platform.h"

#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

// One recorded scene operation.
struct SceneOp {
    enum class Kind : uint8_t { Begin, Clip, Clear, Line, End };
    Kind kind = Kind::Begin;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line end points, pixels
    uint32_t color = 0;                     // line or clear colour, 0xAARRGGBB
    float z = 0;                            // line depth
    int clipX = 0, clipY = 0, clipW = 0, clipH = 0;  // clipping rectangle
};

class HeadlessEngine : public Engine {
public:
    // --- what the caller scripts ---
    double time = 0.0;                  // virtual clock, seconds; Timer_GetTime returns it
    int fps = 60;                       // what Timer_GetFPS reports
    std::array<bool, 256> keyHeld{};    // Input_GetKeyState
    std::array<bool, 256> keyLatched{}; // Input_KeyWentDown: pressed since the last clear
    int keyPressed = 0;                 // Input_GetKey for the next display frame
    bool initiateFails = false;         // make System_Initiate fail
    bool focusLost = false;             // System_FocusLost reports it once
    TouchMotion touch;                  // Input_TakeTouch; the motion is taken, the finger stays
    uint8_t touchButtons = 0;           // Input_TouchButtons
    bool tapped = false;                // Input_TakeTap reports tapX, tapY once
    float tapX = 0, tapY = 0;
    std::string errorText = "Headless engine start-up failed";
    // Called by System_Start before each display frame; returning false ends the run.
    std::function<bool(HeadlessEngine&)> beforeFrame;

    // --- what the engine records ---
    std::string title;                  // last HGE_TITLE
    int screenWidth = 0, screenHeight = 0, screenBpp = 0;
    int windowScale = 1;                // last HGE_WINDOWSCALE
    int resolution = 0;                 // last HGE_RESOLUTION (a ResolutionMode)
    bool windowed = false, useSound = true, showSplash = true;
    FrameFunc frameFunc = nullptr;
    FrameFunc renderFunc = nullptr;
    std::vector<SceneOp> ops;           // operations of the last scene (cleared at Begin)
    bool recordOps = true;              // false: count lines only (benchmarks)
    size_t linesDrawn = 0;              // lines since the last Gfx_BeginScene
    int framesRun = 0;
    bool initiated = false, shutDown = false, released = false;
    // Sound: the fill function Audio_Start kept (null: stopped) and its argument, whether
    // the game paused it, and how deep Audio_Lock is held.
    AudioFill audioFill = nullptr;
    void* audioUser = nullptr;
    bool audioPaused = false;
    int audioLocks = 0;

    // Plays as a device would, on the caller's thread: zeroes `frames` stereo frames and,
    // unless stopped or paused, lets the fill function add to them.
    void pullAudio(float* stereo, int frames);

    // Runs one display frame: the frame function, then the current render function.
    // Returns the frame function's result.
    bool runFrame();

    void System_SetState(HgeBoolState state, bool value) override;
    void System_SetState(HgeIntState state, int value) override;
    void System_SetState(HgeFuncState state, FrameFunc func) override;
    void System_SetState(HgeStringState state, std::string_view text) override;
    bool System_GetState(HgeBoolState state) override;
    bool System_Initiate() override;
    bool System_Start() override;
    std::string System_GetErrorMessage() override;
    void System_Shutdown() override;
    void Release() override;
    float Timer_GetTime() override;
    int Timer_GetFPS() override;
    double Timer_GetTicks() override;
    bool Input_GetKeyState(int key) override;
    bool System_FocusLost() override;
    int Input_GetKey() override;
    std::string Input_GetKeyName(int key) override;
    bool Input_KeyWentDown(int key) override;
    void Input_ClearLatches() override;
    TouchMotion Input_TakeTouch() override;
    uint8_t Input_TouchButtons() override { return touchButtons; }
    bool Input_TakeTap(float& x, float& y) override;
    bool Gfx_BeginScene() override;
    void Gfx_SetClipping(int x, int y, int w, int h) override;
    void Gfx_Clear(uint32_t color) override;
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color,
                        float z) override;
    void Gfx_EndScene() override;
    bool Audio_Start(AudioFill fill, void* user) override;
    void Audio_Lock() override;
    void Audio_Unlock() override;
    void Audio_Pause(bool paused) override;
    void Audio_Stop() override;
};

// A joystick whose state the caller scripts; `present` false means no joystick (turning
// it false while open unplugs it). With `pad` set it opens as a pad with the scripted
// standard buttons and axes.
class ScriptedJoystick : public Joystick {
public:
    bool present = false;
    bool isOpen = false;
    bool pad = false;
    std::string name = "Scripted pad";
    std::array<bool, padButtonCount> padButtons{};
    std::array<bool, padButtonCount> padLatched{};  // padButtonWentDown
    std::array<int, padAxisCount> padAxes{};
    std::vector<std::string> mappings;  // lines addPadMapping took
    int rumbles = 0;                    // calls to rumble()
    int hat = 0;
    std::array<int, 2> axes{};
    std::vector<bool> buttons;          // button count = size
    std::vector<bool> buttonLatched;    // buttonWentDown: pressed since the last clear
    int updates = 0;                    // calls to update()

    bool init() override;
    int numJoysticks() override;
    bool open(int index) override;
    bool opened(int index) override;
    void close() override;
    void update() override;
    int getHat(int hat) override;
    int getAxis(int axis) override;
    int numButtons() override;
    bool getButton(int button) override;
    bool buttonWentDown(int button) override;
    void clearButtonLatches() override;
    bool attached() override;
    bool isPad() override;
    std::string deviceName() override;
    bool padButton(PadButton button) override;
    bool padButtonWentDown(PadButton button) override;
    int padAxis(PadAxis axis) override;
    MappingResult addPadMapping(std::string_view line) override;
    void rumble(int milliseconds) override;
};

// Rasterises recorded operations into an 800 x 600 RGBA picture (alpha blending,
// clipping) and writes it as a PNG. Returns false if the file cannot be written.
bool writeScenePng(std::span<const SceneOp> ops, const std::string& path, int width = 800,
                   int height = 600);
