// Desktop platform on SDL2: the window engine, the SDL joystick, the start-up error
// box, and the translation from SDL keys to the game's key codes.
#pragma once

#include "platform/line_raster.h"
#include "platform/platform.h"

#include <SDL.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The hooks of a desktop build: SDL window engine, SDL joystick, message box for errors.
PlatformHooks sdlPlatformHooks();

// The SDL joystick layer (one for the whole run).
Joystick& sdlJoystick();

// The game key code (Windows virtual-key code) of an SDL key, 0 if the game has none.
// Takes the SDL_Keycode and SDL_Scancode of the event; when the keyboard layout gives a
// symbol the game does not know, the key's position decides, so that letter and digit
// keys work on any layout.
int virtualKeyFromSdl(int sdlKeycode, int sdlScancode);

// Limits SDL to the video drivers that show a window (not dummy or offscreen), unless
// the user set SDL_VIDEODRIVER; called before the video starts.
void keepVisibleVideoDrivers();

// The text printed to standard error when no message box can be shown.
std::string errorLine(std::string_view caption, std::string_view text);

// The window engine. Created by sdlPlatformHooks().createEngine; Release frees it.
class SdlEngine : public Engine {
public:
    SdlEngine() = default;
    ~SdlEngine() override;
    SdlEngine(const SdlEngine&) = delete;
    SdlEngine& operator=(const SdlEngine&) = delete;

    // Test hook: when true, Gfx_EndScene copies the finished picture into framePixels
    // (0xAARRGGBB, rows top to bottom) just before presenting it.
    bool keepFramePixels = false;
    std::vector<uint32_t> framePixels;
    // The caption the window itself reports, empty without a window.
    std::string windowTitle() const;
    // Display frames run by System_Start so far.
    int framesRun() const { return framesRun_; }
    // Draw calls handed to SDL for the last finished frame (its clear included).
    int drawCalls() const { return drawCalls_; }

    void System_SetState(HgeBoolState state, bool value) override;
    void System_SetState(HgeIntState state, int value) override;
    void System_SetState(HgeFuncState state, FrameFunc func) override;
    void System_SetState(HgeStringState state, std::string_view text) override;
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
    bool Gfx_BeginScene() override;
    void Gfx_SetClipping(int x, int y, int w, int h) override;
    void Gfx_Clear(uint32_t color) override;
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color,
                        float z) override;
    void Gfx_EndScene() override;

private:
    double secondsSinceStart() const;
    void startFrameClock();
    bool pumpEvents();
    void handleKey(const SDL_Event& event, bool down);
    void releaseAllKeys();
    void flushPoints();
    void readFramePixels();
    void paceFrame();

    // Settings made before System_Initiate.
    std::string title_ = "HGE";
    int width_ = 800, height_ = 600;
    bool windowed_ = false;
    FrameFunc frameFunc_ = nullptr;
    FrameFunc renderFunc_ = nullptr;

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    bool videoStarted_ = false;
    std::string error_;

    // Clock: performance counter at System_Initiate, the frame's time, frames per second.
    uint64_t startCounter_ = 0;
    uint64_t counterFrequency_ = 1;
    bool inFrame_ = false;
    float frameTime_ = 0;
    double lastFrameStart_ = 0;
    double fpsWindowStart_ = 0;
    int fpsFrames_ = 0;
    int fps_ = 0;
    int framesRun_ = 0;
    int drawCalls_ = 0;                  // of the last finished frame
    int drawCallsInFrame_ = 0;           // of the frame being drawn

    // Keys: how many physical keys hold each game key code (both Shift keys are 0x10),
    // which code each SDL scancode pressed, the key pressed in this frame, and which
    // codes went down since the game last cleared the latches.
    std::vector<int> keyHolders_ = std::vector<int>(256, 0);
    std::vector<bool> keyLatched_ = std::vector<bool>(256, false);
    std::vector<int> scancodeKey_ = std::vector<int>(SDL_NUM_SCANCODES, 0);
    int framePressedKey_ = 0;
    bool focusLost_ = false;             // the window lost the focus since it was asked

    // Scene: the clip area and the pixels of the lines not yet handed to SDL, all of
    // one colour.
    raster::PixelRect clip_{0, 0, 800, 600};
    std::vector<SDL_FPoint> pendingPoints_;
    uint32_t pendingColor_ = 0;
};
