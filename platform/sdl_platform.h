// Desktop platform on SDL2: the window engine, the SDL joystick, the start-up error
// box, and the translation from SDL keys to the game's key codes.
#pragma once

#include "platform/engine_parts.h"
#include "platform/framebuffer.h"
#include "platform/platform.h"
#include "platform/resolution.h"

#include <SDL.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The hooks of a desktop build: SDL window engine, SDL joystick, message box for errors.
// With `fullscreen`, the window opens in fullscreen whatever the game asks.
PlatformHooks sdlPlatformHooks(bool fullscreen = false);

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

// "caption: text", the start-up error as printed where no message box can be shown.
std::string errorLine(std::string_view caption, std::string_view text);

// ---- sdl_x11.cpp

// The window's size as the X server has it; false when SDL does not run on X11.
bool x11WindowSize(SDL_Window* window, int& width, int& height);
// Without a window manager on the X server, moves and sizes the window to `area` (screen
// pixels) itself and returns true; false with one (it decides) or off X11.
bool placeX11WindowWithoutManager(SDL_Window* window, const SDL_Rect& area);

// The window's pixels as the X server shows them (0xFFRRGGBB, rows top to bottom); false
// off X11 or where they are not 0x..RRGGBB words. For tests: it waits for the server.
bool readX11Window(SDL_Window* window, std::vector<uint32_t>& pixels);

// A picture in memory the X server shares: drawn into directly and sent to the window
// without waiting for the server's copy, which then runs on another core while the next
// frame's step is computed. The pixels may change again only once settle() returned.
class X11Picture {
public:
    // A width x height picture for the window, black; null off X11, on a display that
    // cannot share memory (a remote one), or where its pixels are not 0x..RRGGBB words.
    static std::unique_ptr<X11Picture> open(SDL_Window* window, int width, int height);
    virtual ~X11Picture() = default;
    // Rows of stride() pixels, 0x00RRGGBB (the top byte is not shown).
    virtual uint32_t* pixels() = 0;
    virtual size_t stride() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Fills `bars` black, then sends the picture to the window at (x, y); returns at once.
    virtual void show(int x, int y, std::span<const SDL_Rect> bars) = 0;
    // Returns once the X server has copied everything sent.
    virtual void settle() = 0;
};

// The window engine. Created by sdlPlatformHooks().createEngine; Release frees it.
class SdlEngine : public Engine {
public:
    // With `fullscreen`, the window opens in fullscreen even if the game asks for a window.
    explicit SdlEngine(bool fullscreen = false) : fullscreenAtStart_(fullscreen) {}
    ~SdlEngine() override;
    SdlEngine(const SdlEngine&) = delete;
    SdlEngine& operator=(const SdlEngine&) = delete;

    // Test hook: when true, Gfx_EndScene copies the window's finished pixels into
    // framePixels (0xAARRGGBB, rows top to bottom): a renderer's just before presenting,
    // the window's own once shown.
    bool keepFramePixels = false;
    std::vector<uint32_t> framePixels;
    // The caption the window itself reports, empty without a window.
    std::string windowTitle() const;
    // Display frames run by System_Start so far.
    int framesRun() const { return framesRun_; }
    // The window itself, null while it is not open.
    SDL_Window* window() const { return window_; }
    // Where the picture lies in the window's pixels (the rest are black bars).
    SDL_Rect pictureArea() const { return pictureArea_; }
    // True when the picture goes into the window's own pixels without a renderer (no GPU,
    // or OpenGL drawn on the CPU); false when a renderer shows it as a texture.
    bool drawsIntoWindow() const { return drawsIntoWindow_; }
    // True when those pixels are memory shared with the X server (X11Picture).
    bool sharesWithX11() const { return x11Picture_ != nullptr; }
    // Test hook: false before System_Initiate keeps to SDL's window pixels on X11 too.
    bool shareWithX11 = true;
    // Switches between the window and fullscreen at the desktop's resolution; the picture is
    // laid out again when SDL reports the new size.
    void toggleFullscreen();

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
    bool Gfx_BeginScene() override;
    void Gfx_SetClipping(int x, int y, int w, int h) override;
    void Gfx_Clear(uint32_t color) override;
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color,
                        float z) override;
    void Gfx_RenderLines(std::span<const ScreenLine> lines, float z) override;
    void Gfx_EndScene() override;
    DrawingSize Gfx_GetDrawingSize() override;
    bool Audio_Start(AudioFill fill, void* user) override;
    void Audio_Lock() override;
    void Audio_Unlock() override;
    void Audio_Pause(bool paused) override;
    void Audio_Stop() override;
    // True while the sound device is open.
    bool audioOpen() const { return audioDevice_ != 0; }

private:
    // ---- engine_sdl.cpp
    double secondsSinceStart() const;
    void startFrameClock();
    bool pumpEvents();
    void handleKey(const SDL_Event& event, bool down);
    void releaseAllKeys();
    // A fullscreen window that no window manager sized (a bare X server) is moved and sized
    // to the screen SDL reports for it, so that the picture laid out for it is all shown.
    void sizeUnmanagedFullscreen();
    // The window's size in the current scale (scale_ times the screen size, or the largest
    // 4:3 size that fits the desktop's usable area).
    void scaledWindowSize(int& w, int& h) const;
    void paceFrame();

    // ---- sdl_picture.cpp
    // True while the window is open with a way to show the picture.
    bool pictureOpen() const { return renderer_ != nullptr || drawsIntoWindow_; }
    // Chooses how the picture is shown: a renderer with a GPU, else the window's own
    // pixels (a renderer in software where those are not to be had). False with the
    // reason in error_ if neither works.
    bool openPicture();
    // Shows a black window.
    void showBlack();
    // Lays the picture out in the window again (its size changed).
    bool layOutPicture();
    // Makes the texture and the framebuffer at the drawing size the resolution mode and
    // the controller's step give for the picture's area. False if the texture cannot be made.
    bool sizeDrawing();
    // After a frame's work took `seconds`, steps the drawing resolution if it must change.
    void adaptResolution(double seconds);
    void readFramePixels();
    // Finishes the picture in the window's pixels: drawn there, or scaled or converted
    // into them; the bars too after a new layout.
    void placeInWindow();
    // Points the framebuffer at the picture's rectangle of the window's pixels where it is
    // drawn at their size and format, else at its own pixels.
    void aimFramebuffer();
    // Waits until the X server has copied the picture sent last, if it is shared with it:
    // before the picture's pixels change.
    void settleX11Picture();

    // The device's callback: zeroes the stream and lets the game's fill function add to it.
    static void audioCallback(void* self, Uint8* stream, int bytes);

    // Settings made before System_Initiate.
    std::string title_ = "HGE";
    int width_ = 800, height_ = 600;
    bool windowed_ = false;
    bool fullscreenAtStart_ = false;
    int scale_ = 1;                      // HGE_WINDOWSCALE: 1, 2, or 0 fit
    FrameFunc frameFunc_ = nullptr;
    FrameFunc renderFunc_ = nullptr;

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;     // the picture's pixels, uploaded once per frame
    // Without a renderer: the window's own pixels (SDL's, renewed when the size changes),
    // whether the framebuffer draws straight into them, and whether the next frame sends
    // the whole window to the display (after a layout, or uncovered) or only the picture.
    SDL_Surface* windowSurface_ = nullptr;
    std::unique_ptr<X11Picture> x11Picture_;  // on X11, the window's pixels instead of those
    bool drawsIntoWindow_ = false;
    bool framebufferInWindow_ = false;
    bool showWholeWindow_ = true;
    bool videoStarted_ = false;
    std::string error_;

    // Clock: performance counter at System_Initiate, the frame's time, frames per second.
    uint64_t startCounter_ = 0;
    uint64_t counterFrequency_ = 1;
    bool inFrame_ = false;
    float frameTime_ = 0;
    double lastFrameStart_ = 0;
    std::clock_t frameCpuStart_ = 0;     // the process's CPU time when the frame began
    double waitedForX11_ = 0;            // seconds this frame waited for the X server's copy
    FrameRate frameRate_;
    int framesRun_ = 0;
    // Pacing: the display paces presenting (vsync, until the frame rate shows otherwise),
    // its refresh rate (60 when unknown), and when the next frame is due without vsync.
    bool vsyncPaces_ = false;
    int refreshRate_ = 60;
    double nextFrameAt_ = 0;

    // Keys: how many physical keys hold each game key code (both Shift keys are 0x10),
    // which code each SDL scancode pressed, the key pressed in this frame, and which
    // codes went down since the game last cleared the latches.
    KeyTable keys_;
    std::vector<int> scancodeKey_ = std::vector<int>(SDL_NUM_SCANCODES, 0);
    int framePressedKey_ = 0;
    bool focusLost_ = false;             // the window lost the focus since it was asked

    // Scene: the picture drawn on the CPU at the window's resolution, and where it lies in
    // the window, 4:3 and centred between black bars.
    std::unique_ptr<raster::Framebuffer> framebuffer_;
    SDL_Rect pictureArea_{0, 0, 0, 0};
    int drawWidth_ = 0, drawHeight_ = 0;  // the picture's drawing size (texture, framebuffer)
    ResolutionMode resolutionMode_ = ResolutionMode::automatic;
    raster::ResolutionController resolution_;  // the step in automatic mode
    std::array<SDL_Rect, 2> bars_{};     // the black bars beside the picture
    int barCount_ = 0;
    Uint32 textureFormat_ = SDL_PIXELFORMAT_ARGB8888;  // the picture's pixels as SDL takes them
    int windowedWidth_ = 0, windowedHeight_ = 0;  // the window's size before fullscreen

    // Sound: the open device (0: none), the game's fill function and its argument, and
    // whether this engine started SDL's audio subsystem.
    SDL_AudioDeviceID audioDevice_ = 0;
    AudioFill audioFill_ = nullptr;
    void* audioUser_ = nullptr;
    bool audioStarted_ = false;
};
