// Platform layer: the engine interface (window, frame callbacks, timer, keys, lines)
// and the joystick calls, with the contract every backend must keep.
//
// Backend contract (SDL2 window, headless, web page, and any future one):
//  - System_SetState(HGE_FRAMEFUNC/HGE_RENDERFUNC) replace the callbacks; System_Start
//    then calls, once per display frame, the frame function and afterwards the render
//    function that is current *after* the frame function returned. A frame function
//    returning true ends System_Start. Closing the window also ends it. Where the host
//    owns the loop (the web page), the host's frame callback runs the frames instead:
//    System_Start never returns to its caller, and a frame function returning true stops
//    the frames until the page starts them again (resumeWebFrames).
//  - Timer_GetTime: seconds since System_Initiate as a float that never decreases and
//    stays the same during one display frame (frame and render callbacks see one value).
//    The web engine leaves out gaps of over half a second between frames (a hidden page).
//  - Timer_GetTicks: seconds from a clock that moves during a frame, only for measuring
//    how long something took; a backend without a real clock may return its frame time.
//  - Input_GetKeyState / Input_GetKey / Input_GetKeyName use the game's key codes, which
//    are the Windows virtual-key codes (R 0x52, Escape 0x1B, F9 0x78, arrows 0x25..0x28).
//    Input_GetKey is the key pressed during the current display frame, 0 if none.
//  - System_FocusLost reports a loss of the window's input focus once, at the next call.
//  - Input_KeyWentDown(key) is true when the key went down at any time since the last
//    Input_ClearLatches (or since System_Initiate), even if it is up again by now: a tap
//    shorter than a frame is never lost. Only a press sets the latch, holding does not;
//    only Input_ClearLatches clears it. The joystick's buttonWentDown and
//    clearButtonLatches keep the same rule for buttons, and padButtonWentDown for the
//    standard buttons of a pad.
//  - Joysticks: update() refreshes the open joystick and the list of those attached, so
//    numJoysticks sees a joystick plugged in since the last update; attached() turns false
//    once the open one is unplugged. A joystick the backend knows a standard layout for
//    opens as a pad (isPad): it then reports the standard buttons and axes (SDL's game
//    controller, the browser's standard gamepad mapping) besides its raw ones. Which
//    action a standard button means is the game's business, not the backend's.
//  - HGE_WINDOWED and HGE_WINDOWSCALE may change while the window is open: the window then
//    leaves or enters fullscreen, or takes its new size (kept for after fullscreen).
//    System_GetState(HGE_WINDOWED) says whether the window is a window now.
//  - HGE_RESOLUTION sets the window's ResolutionMode at any time; a window lowering its
//    drawing resolution decides from its own clock, and the simulation never sees it.
//  - Gfx_* calls happen only inside the render callback, between Gfx_BeginScene and
//    Gfx_EndScene. Gfx_SetClipping(0,0,0,0) resets clipping to the whole screen.
//  - Audio_Start opens the sound device: from then on the device calls the fill function
//    on a thread of its own, for `frames` interleaved stereo float frames at
//    audioSampleRate (the buffer zeroed before the call; values -1..1). Without a device it
//    returns false and the game plays on silently (a backend with a device to lose prints
//    one line on stderr saying why sound is off). Audio_Lock..Audio_Unlock keeps the
//    device's thread out of the fill function while the game changes what it plays;
//    Audio_Pause stops and resumes the calls (silence meanwhile); Audio_Stop closes the
//    device, and System_Shutdown does too. The defaults: no device, nothing to lock.
//  - Touch (a touch screen; the defaults: none): Input_TakeTouch hands over whether a
//    finger is down on the picture and how far it moved since the last take, in picture
//    pixels; Input_TouchButtons the on-screen buttons held or pressed since the last
//    Input_ClearLatches (a tap shorter than a frame counts, as for keys); Input_TakeTap
//    the place on the picture of a short tap made since the last display frame, once.
//  - Every call happens on the thread that called System_Start, except the fill function.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// One line of a batch for Gfx_RenderLines: screen pixels and 0xAARRGGBB colour.
struct ScreenLine {
    float x1, y1, x2, y2;
    uint32_t color;
};

// Frame and render callbacks: a frame function returning true ends System_Start.
using FrameFunc = bool (*)();

// Engine states, named as the engine names them.
enum HgeBoolState { HGE_WINDOWED, HGE_USESOUND, HGE_SHOWSPLASH };
// HGE_WINDOWSCALE: the window's size as 1 or 2 times the screen size, 0 the largest that
// fits the desktop; a backend without a window of its own ignores it. HGE_RESOLUTION: a
// ResolutionMode as an int, ignored by backends that draw at one size.
enum HgeIntState {
    HGE_SCREENWIDTH, HGE_SCREENHEIGHT, HGE_SCREENBPP, HGE_WINDOWSCALE, HGE_RESOLUTION
};

// The resolution a window draws its picture at: `automatic` is full resolution, lowered in
// steps while frames cannot be drawn in time; `full` always the window's; `native` the
// screen's own size (800 x 600), scaled up to fill the window.
enum class ResolutionMode : int { automatic, full, native };

// The size a window draws its picture at now and its full size (the picture's area in the
// window); all zero for a backend that draws at one size only.
struct DrawingSize {
    int width = 0, height = 0;
    int fullWidth = 0, fullHeight = 0;
};
enum HgeFuncState { HGE_FRAMEFUNC, HGE_RENDERFUNC };
enum HgeStringState { HGE_TITLE };

// Frames per second of the sound the fill function gives (Engine::Audio_Start).
constexpr int audioSampleRate = 48000;

// The depth every line of the game is drawn at (the game draws in one plane).
constexpr float lineDepth = 0.5f;

// Game key codes (Windows virtual-key codes) the game itself names.
namespace keys {
constexpr int backspace = 0x08, tab = 0x09, enter = 0x0D, shift = 0x10, control = 0x11,
              alt = 0x12, pause = 0x13, capsLock = 0x14, escape = 0x1B, space = 0x20,
              pageUp = 0x21, pageDown = 0x22, end = 0x23, home = 0x24, left = 0x25,
              up = 0x26, right = 0x27, down = 0x28, insert = 0x2D, del = 0x2E,
              digit0 = 0x30, letterA = 0x41, letterC = 0x43, letterM = 0x4D, letterP = 0x50,
              letterR = 0x52, letterX = 0x58, letterZ = 0x5A, numpad0 = 0x60, f1 = 0x70, f3 = 0x72,
              f4 = 0x73, f5 = 0x74, f6 = 0x75, f9 = 0x78,
              f12 = 0x7B;
}  // namespace keys

// The on-screen buttons of a touch screen, as bits of Engine::Input_TouchButtons.
namespace touchbuttons {
constexpr uint8_t bomb = 1, power = 2, slowdown = 4, pause = 8;
}

// A finger on the picture: whether one is down and its motion in picture pixels since
// the last Input_TakeTouch (right and down positive).
struct TouchMotion {
    bool fingerDown = false;
    float dx = 0, dy = 0;
};

// The engine operations the game calls; one instance lives for the whole run.
class Engine {
public:
    virtual ~Engine() = default;

    virtual void System_SetState(HgeBoolState state, bool value) = 0;
    virtual void System_SetState(HgeIntState state, int value) = 0;
    virtual void System_SetState(HgeFuncState state, FrameFunc func) = 0;
    virtual void System_SetState(HgeStringState state, std::string_view text) = 0;
    // A boolean state as it is now; a backend without such a state says windowed only.
    virtual bool System_GetState(HgeBoolState state) { return state == HGE_WINDOWED; }
    virtual bool System_Initiate() = 0;
    virtual bool System_Start() = 0;
    virtual std::string System_GetErrorMessage() = 0;
    virtual void System_Shutdown() = 0;
    virtual void Release() = 0;

    virtual float Timer_GetTime() = 0;
    virtual int Timer_GetFPS() = 0;
    // Seconds from a clock that moves during a frame; for measuring durations only.
    virtual double Timer_GetTicks() = 0;

    virtual bool Input_GetKeyState(int key) = 0;
    // True once after the window lost the input focus (a window only; others: never).
    virtual bool System_FocusLost() = 0;
    virtual int Input_GetKey() = 0;
    virtual std::string Input_GetKeyName(int key) = 0;
    // True if the key went down since the last Input_ClearLatches, held or not now.
    virtual bool Input_KeyWentDown(int key) = 0;
    // Forgets every key that went down; later presses latch again.
    virtual void Input_ClearLatches() = 0;
    // The finger on the picture and its motion since the last call (touch screens only).
    virtual TouchMotion Input_TakeTouch() { return {}; }
    // The touchbuttons bits held, or pressed since the last Input_ClearLatches.
    virtual uint8_t Input_TouchButtons() { return 0; }
    // True once for a short tap on the picture since the last display frame, with its
    // place in picture pixels.
    virtual bool Input_TakeTap(float& x, float& y) {
        (void)x;
        (void)y;
        return false;
    }

    virtual bool Gfx_BeginScene() = 0;
    virtual void Gfx_SetClipping(int x, int y, int w, int h) = 0;
    virtual void Gfx_Clear(uint32_t color) = 0;
    virtual void Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color,
                                float z) = 0;
    // The lines in order, as that many Gfx_RenderLine calls at depth z would draw them.
    virtual void Gfx_RenderLines(std::span<const ScreenLine> lines, float z) {
        for (const ScreenLine& l : lines) Gfx_RenderLine(l.x1, l.y1, l.x2, l.y2, l.color, z);
    }
    virtual void Gfx_EndScene() = 0;
    // The drawing resolution in use, for the debug overlay; zeros where it never changes.
    virtual DrawingSize Gfx_GetDrawingSize() { return {}; }

    // Fills `frames` interleaved stereo frames (zeroed before the call) on the device's thread.
    using AudioFill = void (*)(void* user, float* stereo, int frames);
    // Opens the sound device, which then calls fill(user, ...) on its own thread; false when
    // there is no device (the game plays on silently). Reopens it if it is open.
    virtual bool Audio_Start(AudioFill fill, void* user) {
        (void)fill;
        (void)user;
        return false;
    }
    // Keeps the device's thread out of the fill function until Audio_Unlock.
    virtual void Audio_Lock() {}
    // Lets the device's thread call the fill function again.
    virtual void Audio_Unlock() {}
    // Pauses (silence, no calls) or resumes the sound device.
    virtual void Audio_Pause(bool paused) { (void)paused; }
    // Closes the sound device; no call of the fill function follows.
    virtual void Audio_Stop() {}
};

// The standard buttons of a pad, numbered as SDL's game controller numbers them.
enum class PadButton : uint8_t {
    a, b, x, y, back, guide, start, leftStick, rightStick, leftShoulder, rightShoulder,
    dpUp, dpDown, dpLeft, dpRight,
};
constexpr int padButtonCount = 15;

// The standard axes of a pad: sticks -32768..32767 (right and down positive), triggers
// 0..32767; numbered as SDL's game controller numbers them.
enum class PadAxis : uint8_t { leftX, leftY, rightX, rightY, leftTrigger, rightTrigger };
constexpr int padAxisCount = 6;

// What addPadMapping did with one mapping line.
enum class MappingResult : uint8_t { added, otherSystem, refused };

// The open joystick as the game reads it: hat 0, axes 0 and 1, raw buttons, and for a pad
// its standard buttons and axes.
class Joystick {
public:
    virtual ~Joystick() = default;

    virtual bool init() = 0;          // joystick subsystem set-up
    virtual int numJoysticks() = 0;   // joysticks present
    virtual bool open(int index) = 0; // opens joystick `index`; false if it cannot
    virtual bool opened(int index) = 0;
    virtual void close() = 0;
    virtual void update() = 0;                // refresh the state read below
    virtual int getHat(int hat) = 0;          // bits 1 up, 2 right, 4 down, 8 left
    virtual int getAxis(int axis) = 0;        // -32768..32767
    virtual int numButtons() = 0;
    virtual bool getButton(int button) = 0;
    virtual bool buttonWentDown(int button) = 0;  // pressed since clearButtonLatches
    virtual void clearButtonLatches() = 0;        // forgets the buttons pressed so far

    virtual bool attached() = 0;                  // the open joystick is still plugged in
    virtual bool isPad() = 0;                     // the open joystick has the standard layout
    virtual std::string deviceName() = 0;         // the open joystick's name, "" if none
    virtual bool padButton(PadButton button) = 0; // standard button held (pads only)
    // Standard button pressed since clearButtonLatches (pads only).
    virtual bool padButtonWentDown(PadButton button) = 0;
    virtual int padAxis(PadAxis axis) = 0;        // standard axis (pads only), else 0
    // Adds one mapping line in the community's gamecontrollerdb.txt form
    // ("GUID,name,a:b0,...,platform:Linux,"); lines for another system are left out.
    virtual MappingResult addPadMapping(std::string_view line) = 0;
    virtual void rumble(int milliseconds) = 0;    // a short rumble where the pad has one
};

// What the program entry needs from the platform: how to create the engine, which
// joystick layer to use, and how to show the start-up error.
struct PlatformHooks {
    std::function<Engine*()> createEngine;  // a new engine of this platform
    Joystick* joystick = nullptr;           // never null while the game runs
    std::function<void(std::string_view text, std::string_view caption)> showError;
    // The engine's clock is the wall's, so the process can stall (a suspend, a debugger):
    // a display frame then runs only a few steps. False for virtual clocks, which never do.
    bool wallClock = false;
    // Start-up reports missing definition files and the level's warnings on stderr and on
    // the screen (the game itself; tools report in their own way).
    bool startupReport = false;
    // Start-up hands the joystick layer the gamecontrollerdb.txt files and
    // SDL_GAMECONTROLLERCONFIG (the desktop game; tools and tests script their pads).
    bool padMappings = false;
};

// ---------------------------------------------------------------- shared by every backend

// A joystick layer with no joystick present (tests, tools, machines without SDL input).
Joystick& nullJoystick();
// Key name shared by every backend for a game key code ("Up", "Space", "F9", "A").
std::string keyName(int key);
// The wall clock's date and time now in UTC, as "YYYY-MM-DDTHH:MM:SSZ" (the date of a
// record; nothing the simulation reads).
std::string wallClockDateUtc();
