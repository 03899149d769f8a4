// Headless engine and scripted joystick: the game runs on a virtual clock with scripted
// keys, and every scene operation is recorded for tests and tools.
#include "platform/headless.h"

#include <algorithm>
#include <utility>

bool HeadlessEngine::runFrame() {
    // Runs one display frame: the frame function, then the render function current after it
    // returned (a screen switch made by the frame function already draws this frame). A
    // frame function that returns true ends the run at once, so that frame is not drawn.
    // The key scripted in keyPressed belongs to this frame only.
    ++framesRun;
    const bool done = frameFunc ? frameFunc() : false;
    if (!done && renderFunc) renderFunc();
    keyPressed = 0;
    return done;
}

// Records the boolean states.
void HeadlessEngine::System_SetState(HgeBoolState state, bool value) {
    switch (state) {
    case HGE_WINDOWED: windowed = value; break;
    case HGE_USESOUND: useSound = value; break;
    case HGE_SHOWSPLASH: showSplash = value; break;
    }
}

// The boolean states as recorded.
bool HeadlessEngine::System_GetState(HgeBoolState state) {
    switch (state) {
    case HGE_WINDOWED: return windowed;
    case HGE_USESOUND: return useSound;
    case HGE_SHOWSPLASH: return showSplash;
    }
    return false;
}

// Records the screen size, depth and window scale.
void HeadlessEngine::System_SetState(HgeIntState state, int value) {
    switch (state) {
    case HGE_SCREENWIDTH: screenWidth = value; break;
    case HGE_SCREENHEIGHT: screenHeight = value; break;
    case HGE_SCREENBPP: screenBpp = value; break;
    case HGE_WINDOWSCALE: windowScale = value; break;
    case HGE_RESOLUTION: resolution = value; break;
    }
}

// Replaces the frame or the render function.
void HeadlessEngine::System_SetState(HgeFuncState state, FrameFunc func) {
    if (state == HGE_FRAMEFUNC) {
        frameFunc = func;
    } else {
        renderFunc = func;
    }
}

// Records the window title.
void HeadlessEngine::System_SetState(HgeStringState, std::string_view text) {
    title = std::string(text);
}

// Succeeds unless the caller scripted a failure.
bool HeadlessEngine::System_Initiate() {
    if (initiateFails) return false;
    initiated = true;
    return true;
}

// Runs display frames: before each, beforeFrame (when set) may script the frame or end
// the run by returning false; the run also ends when a frame function returns true.
// Without a frame function nothing runs and the result is false.
bool HeadlessEngine::System_Start() {
    if (!frameFunc) return false;
    for (;;) {
        if (beforeFrame && !beforeFrame(*this)) break;
        if (runFrame()) break;
    }
    return true;
}

// The scripted start-up error text.
std::string HeadlessEngine::System_GetErrorMessage() { return errorText; }

// Marks the engine shut down and stops the sound.
void HeadlessEngine::System_Shutdown() {
    Audio_Stop();
    shutDown = true;
}

// Marks the engine released; the caller owns the object and frees it.
void HeadlessEngine::Release() { released = true; }

void HeadlessEngine::pullAudio(float* stereo, int frames) {
    if (frames <= 0) return;
    std::fill_n(stereo, static_cast<size_t>(frames) * 2, 0.0f);
    if (audioFill && !audioPaused) audioFill(audioUser, stereo, frames);
}

// Keeps the fill function for pullAudio; the headless "device" always opens, unpaused.
bool HeadlessEngine::Audio_Start(AudioFill fill, void* user) {
    audioFill = fill;
    audioUser = user;
    audioPaused = false;
    return fill != nullptr;
}

// Counts the lock held.
void HeadlessEngine::Audio_Lock() { ++audioLocks; }

// Counts the lock released.
void HeadlessEngine::Audio_Unlock() { --audioLocks; }

// Records the pause.
void HeadlessEngine::Audio_Pause(bool paused) { audioPaused = paused; }

// Forgets the fill function.
void HeadlessEngine::Audio_Stop() {
    audioFill = nullptr;
    audioUser = nullptr;
}

// The virtual clock as the game sees it.
float HeadlessEngine::Timer_GetTime() { return static_cast<float>(time); }

// The virtual clock again: it stands still during a frame, so measured durations are 0.
double HeadlessEngine::Timer_GetTicks() { return time; }

// The scripted frame rate.
int HeadlessEngine::Timer_GetFPS() { return fps; }

// True while the scripted key is held; codes outside 0..255 are never held.
bool HeadlessEngine::Input_GetKeyState(int key) {
    if (key < 0 || key >= static_cast<int>(keyHeld.size())) return false;
    return keyHeld[static_cast<size_t>(key)];
}

// The key scripted as pressed during this display frame.
int HeadlessEngine::Input_GetKey() { return keyPressed; }

// A scripted loss of focus, reported once.
bool HeadlessEngine::System_FocusLost() { return std::exchange(focusLost, false); }

// The shared readable key name.
std::string HeadlessEngine::Input_GetKeyName(int key) { return keyName(key); }

// True while the scripted latch of the key is set; codes outside 0..255 never latch.
bool HeadlessEngine::Input_KeyWentDown(int key) {
    if (key < 0 || key >= static_cast<int>(keyLatched.size())) return false;
    return keyLatched[static_cast<size_t>(key)];
}

// Clears every scripted key latch, as the window clears the presses it saw.
void HeadlessEngine::Input_ClearLatches() { keyLatched.fill(false); }

// The scripted finger; its motion is handed over once.
TouchMotion HeadlessEngine::Input_TakeTouch() {
    const TouchMotion taken = touch;
    touch.dx = touch.dy = 0;
    return taken;
}

// The scripted tap, reported once.
bool HeadlessEngine::Input_TakeTap(float& x, float& y) {
    if (!std::exchange(tapped, false)) return false;
    x = tapX;
    y = tapY;
    return true;
}

// Starts a scene: forgets the previous scene's operations and line count.
bool HeadlessEngine::Gfx_BeginScene() {
    ops.clear();
    linesDrawn = 0;
    if (recordOps) ops.push_back(SceneOp{});
    return true;
}

// Records a clipping change.
void HeadlessEngine::Gfx_SetClipping(int x, int y, int w, int h) {
    if (!recordOps) return;
    SceneOp op;
    op.kind = SceneOp::Kind::Clip;
    op.clipX = x;
    op.clipY = y;
    op.clipW = w;
    op.clipH = h;
    ops.push_back(op);
}

// Records a clear.
void HeadlessEngine::Gfx_Clear(uint32_t color) {
    if (!recordOps) return;
    SceneOp op;
    op.kind = SceneOp::Kind::Clear;
    op.color = color;
    ops.push_back(op);
}

// Counts a line and records it.
void HeadlessEngine::Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color,
                                    float z) {
    ++linesDrawn;
    if (!recordOps) return;
    SceneOp op;
    op.kind = SceneOp::Kind::Line;
    op.x1 = x1;
    op.y1 = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.color = color;
    op.z = z;
    ops.push_back(op);
}

// Records the end of the scene.
void HeadlessEngine::Gfx_EndScene() {
    if (!recordOps) return;
    SceneOp op;
    op.kind = SceneOp::Kind::End;
    ops.push_back(op);
}

// Set-up always succeeds.
bool ScriptedJoystick::init() { return true; }

// One joystick when present, none otherwise.
int ScriptedJoystick::numJoysticks() { return present ? 1 : 0; }

// Opens joystick 0 when present.
bool ScriptedJoystick::open(int index) {
    isOpen = present && index == 0;
    return isOpen;
}

// True while joystick 0 is open.
bool ScriptedJoystick::opened(int index) { return isOpen && index == 0; }

// Closes the joystick.
void ScriptedJoystick::close() { isOpen = false; }

// Counts refreshes; the scripted state needs none.
void ScriptedJoystick::update() { ++updates; }

// The scripted hat 0; other hats are centred.
int ScriptedJoystick::getHat(int index) { return index == 0 ? hat : 0; }

// The scripted axes 0 and 1; other axes are centred.
int ScriptedJoystick::getAxis(int axis) {
    if (axis < 0 || axis >= static_cast<int>(axes.size())) return 0;
    return axes[static_cast<size_t>(axis)];
}

// As many buttons as scripted.
int ScriptedJoystick::numButtons() { return static_cast<int>(buttons.size()); }

// The scripted button; buttons past the count read as released.
bool ScriptedJoystick::getButton(int button) {
    if (button < 0 || button >= static_cast<int>(buttons.size())) return false;
    return buttons[static_cast<size_t>(button)];
}

// The scripted latch of the button; buttons past the scripted latches never latch.
bool ScriptedJoystick::buttonWentDown(int button) {
    if (button < 0 || button >= static_cast<int>(buttonLatched.size())) return false;
    return buttonLatched[static_cast<size_t>(button)];
}

// Clears every scripted button latch, keeping their count.
void ScriptedJoystick::clearButtonLatches() {
    buttonLatched.assign(buttonLatched.size(), false);
    padLatched.fill(false);
}

// Plugged in while present.
bool ScriptedJoystick::attached() { return isOpen && present; }

// A pad when scripted as one and open.
bool ScriptedJoystick::isPad() { return isOpen && pad; }

// The scripted name while open.
std::string ScriptedJoystick::deviceName() { return isOpen ? name : std::string(); }

// The scripted standard button of an open pad.
bool ScriptedJoystick::padButton(PadButton button) {
    return isPad() && padButtons[static_cast<size_t>(button)];
}

// The scripted latch of a standard button of an open pad.
bool ScriptedJoystick::padButtonWentDown(PadButton button) {
    return isPad() && padLatched[static_cast<size_t>(button)];
}

// The scripted standard axis of an open pad.
int ScriptedJoystick::padAxis(PadAxis axis) {
    return isPad() ? padAxes[static_cast<size_t>(axis)] : 0;
}

// Keeps the line; every line counts as added.
MappingResult ScriptedJoystick::addPadMapping(std::string_view line) {
    mappings.emplace_back(line);
    return MappingResult::added;
}

// Counts rumbles.
void ScriptedJoystick::rumble(int) { ++rumbles; }
