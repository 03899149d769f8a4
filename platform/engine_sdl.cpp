// The window engine on SDL2: an 800 x 600 window, frame and render callbacks once per
// display frame, a per-frame clock, keyboard state in game key codes, and line drawing.
//
// Lines are rasterised here into pixels (platform/line_raster.h) and handed to SDL in
// batches, one draw call per run of lines of one colour, so a frame of thousands of lines
// costs a handful of calls and the window shows the same pixels as writeScenePng.
#include "platform/sdl_platform.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Shortest display frame when the display does not pace presenting (no vsync): about
// 240 frames per second, so the game never spins a core at 100%.
constexpr double minFramePeriod = 1.0 / 240.0;

// Line pixels held back before a forced hand-over to SDL, to bound memory.
constexpr size_t maxPendingPoints = size_t{1} << 20;

}  // namespace

// Closes the window if the game did not.
SdlEngine::~SdlEngine() { System_Shutdown(); }

// The caption the window reports.
std::string SdlEngine::windowTitle() const {
    return window_ ? std::string(SDL_GetWindowTitle(window_)) : std::string();
}

// Windowed or full screen; sound and splash screen do not exist here.
void SdlEngine::System_SetState(HgeBoolState state, bool value) {
    if (state == HGE_WINDOWED && !window_) windowed_ = value;
}

// Screen size, taken when the window opens; the depth is always 32 bits.
void SdlEngine::System_SetState(HgeIntState state, int value) {
    if (window_ || value <= 0) return;
    if (state == HGE_SCREENWIDTH) width_ = value;
    if (state == HGE_SCREENHEIGHT) height_ = value;
}

// Replaces the frame or the render function; the change shows from the next call on.
void SdlEngine::System_SetState(HgeFuncState state, FrameFunc func) {
    if (state == HGE_FRAMEFUNC) {
        frameFunc_ = func;
    } else {
        renderFunc_ = func;
    }
}

// Sets the window caption, now or when the window opens.
void SdlEngine::System_SetState(HgeStringState, std::string_view text) {
    if (text == title_) return;
    title_ = std::string(text);
    if (window_) SDL_SetWindowTitle(window_, title_.c_str());
}

// Opens the window and its renderer and starts the clock; on failure the reason is kept
// for System_GetErrorMessage.
bool SdlEngine::System_Initiate() {
    if (renderer_) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = std::string("Can't initialise the video: ") + SDL_GetError();
        return false;
    }
    videoStarted_ = true;
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    const Uint32 flags = windowed_ ? 0u : static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP);
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               width_, height_, flags);
    if (!window_) {
        error_ = std::string("Can't create the window: ") + SDL_GetError();
        System_Shutdown();
        return false;
    }
    // Prefer a paced, accelerated renderer; take whatever works.
    renderer_ = SDL_CreateRenderer(window_, -1,
                                   SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
        error_ = std::string("Can't create the renderer: ") + SDL_GetError();
        System_Shutdown();
        return false;
    }
    if (!windowed_) SDL_RenderSetLogicalSize(renderer_, width_, height_);
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    counterFrequency_ = std::max<uint64_t>(SDL_GetPerformanceFrequency(), 1);
    startCounter_ = SDL_GetPerformanceCounter();
    frameTime_ = 0;
    fpsWindowStart_ = 0;
    fpsFrames_ = 0;
    fps_ = 0;
    releaseAllKeys();
    return true;
}

// Runs display frames until a frame function returns true or the window is closed.
// A frame function returning true ends the run before its frame is drawn.
bool SdlEngine::System_Start() {
    if (!renderer_) {
        error_ = "System_Start: the window is not open";
        return false;
    }
    if (!frameFunc_) {
        error_ = "System_Start: no frame function";
        return false;
    }
    for (;;) {
        if (!pumpEvents()) break;
        startFrameClock();
        inFrame_ = true;
        const bool done = frameFunc_ ? frameFunc_() : false;
        // Read only now: a screen switch made by the frame function draws this frame.
        if (!done && renderFunc_) renderFunc_();
        inFrame_ = false;
        if (done) break;
        paceFrame();
    }
    return true;
}

// Why System_Initiate or System_Start failed.
std::string SdlEngine::System_GetErrorMessage() { return error_; }

// Closes the renderer and the window and stops the video subsystem.
void SdlEngine::System_Shutdown() {
    pendingPoints_.clear();
    if (renderer_) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted_ = false;
}

// Shuts down if needed and frees the engine.
void SdlEngine::Release() {
    System_Shutdown();
    delete this;
}

// Seconds since System_Initiate, straight from the performance counter.
double SdlEngine::secondsSinceStart() const {
    const uint64_t ticks = SDL_GetPerformanceCounter() - startCounter_;
    return static_cast<double>(ticks) / static_cast<double>(counterFrequency_);
}

// Reads the clock once for the frame about to run and counts frames per second.
void SdlEngine::startFrameClock() {
    const double now = secondsSinceStart();
    frameTime_ = std::max(frameTime_, static_cast<float>(now));
    lastFrameStart_ = now;
    ++framesRun_;
    ++fpsFrames_;
    const double span = now - fpsWindowStart_;
    if (span >= 1.0) {
        fps_ = static_cast<int>(std::lround(fpsFrames_ / span));
        fpsFrames_ = 0;
        fpsWindowStart_ = now;
    }
}

// The frame's time while a frame runs; outside frames a fresh reading. Never decreases.
float SdlEngine::Timer_GetTime() {
    if (!renderer_) return frameTime_;
    if (!inFrame_) frameTime_ = std::max(frameTime_, static_cast<float>(secondsSinceStart()));
    return frameTime_;
}

// The performance counter's seconds since start-up, read afresh on every call.
double SdlEngine::Timer_GetTicks() { return secondsSinceStart(); }

// Frames counted over the last full second.
int SdlEngine::Timer_GetFPS() { return fps_; }

// Handles the window's events; false once the window is closed.
bool SdlEngine::pumpEvents() {
    framePressedKey_ = 0;
    bool keepRunning = true;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            keepRunning = false;
            break;
        case SDL_KEYDOWN:
            handleKey(event, true);
            break;
        case SDL_KEYUP:
            handleKey(event, false);
            break;
        case SDL_WINDOWEVENT:
            // Key releases made in another window never arrive here.
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                releaseAllKeys();
                focusLost_ = true;
            }
            break;
        default:
            break;
        }
    }
    return keepRunning;
}

// Updates the held keys, the key latches and the frame's pressed key from one key event.
// A press and its release inside one frame both arrive here in order, so the press
// still latches and still becomes the frame's pressed key.
void SdlEngine::handleKey(const SDL_Event& event, bool down) {
    const int scancode = static_cast<int>(event.key.keysym.scancode);
    if (scancode < 0 || scancode >= static_cast<int>(scancodeKey_.size())) return;
    int& heldCode = scancodeKey_[static_cast<size_t>(scancode)];
    if (!down) {
        if (heldCode != 0) --keyHolders_[static_cast<size_t>(heldCode)];
        heldCode = 0;
        return;
    }
    const int code = virtualKeyFromSdl(static_cast<int>(event.key.keysym.sym), scancode);
    if (code <= 0 || code >= static_cast<int>(keyHolders_.size())) return;
    keyLatched_[static_cast<size_t>(code)] = true;
    if (heldCode == 0) {
        // The code is remembered per physical key, so the release matches the press
        // even if the layout changes in between.
        heldCode = code;
        ++keyHolders_[static_cast<size_t>(code)];
    }
    if (event.key.repeat == 0) framePressedKey_ = code;
}

// Forgets every held key.
void SdlEngine::releaseAllKeys() {
    std::fill(keyHolders_.begin(), keyHolders_.end(), 0);
    std::fill(scancodeKey_.begin(), scancodeKey_.end(), 0);
}

// True while any physical key with this game key code is held.
bool SdlEngine::Input_GetKeyState(int key) {
    if (key < 0 || key >= static_cast<int>(keyHolders_.size())) return false;
    return keyHolders_[static_cast<size_t>(key)] > 0;
}

// True if a key event pressed this key code since the last Input_ClearLatches.
bool SdlEngine::Input_KeyWentDown(int key) {
    if (key < 0 || key >= static_cast<int>(keyLatched_.size())) return false;
    return keyLatched_[static_cast<size_t>(key)];
}

// Forgets the presses seen so far.
void SdlEngine::Input_ClearLatches() { std::fill(keyLatched_.begin(), keyLatched_.end(), false); }

// The last key pressed (not auto-repeated) during this display frame, 0 if none.
int SdlEngine::Input_GetKey() { return framePressedKey_; }

// True once after the window lost the input focus.
bool SdlEngine::System_FocusLost() { return std::exchange(focusLost_, false); }

// The shared readable key name.
std::string SdlEngine::Input_GetKeyName(int key) { return keyName(key); }

// Starts a scene on the screen with clipping reset to the whole screen.
bool SdlEngine::Gfx_BeginScene() {
    if (!renderer_) return false;
    pendingPoints_.clear();
    clip_ = {0, 0, width_, height_};
    drawCallsInFrame_ = 0;
    return true;
}

// Sets the clip area; zero width and height mean the whole screen.
void SdlEngine::Gfx_SetClipping(int x, int y, int w, int h) {
    clip_ = raster::clipArea(x, y, w, h, width_, height_);
}

// Fills the whole screen with the colour, whatever the clipping.
void SdlEngine::Gfx_Clear(uint32_t color) {
    if (!renderer_) return;
    flushPoints();
    SDL_SetRenderDrawColor(renderer_, static_cast<Uint8>(color >> 16),
                           static_cast<Uint8>(color >> 8), static_cast<Uint8>(color), 255);
    SDL_RenderClear(renderer_);
    ++drawCallsInFrame_;
}

// Adds the line's pixels to the pending batch of its colour.
void SdlEngine::Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color, float) {
    if (!renderer_ || (color >> 24) == 0) return;
    if (color != pendingColor_ || pendingPoints_.size() >= maxPendingPoints) flushPoints();
    pendingColor_ = color;
    raster::forEachLinePixel(x1, y1, x2, y2, raster::PixelRect{0, 0, width_, height_}, clip_,
                             [this](int x, int y) {
        pendingPoints_.push_back(SDL_FPoint{static_cast<float>(x), static_cast<float>(y)});
    });
}

// Hands the pending pixels to SDL in one call, blended in their colour.
void SdlEngine::flushPoints() {
    if (pendingPoints_.empty()) return;
    const uint32_t c = pendingColor_;
    SDL_SetRenderDrawColor(renderer_, static_cast<Uint8>(c >> 16), static_cast<Uint8>(c >> 8),
                           static_cast<Uint8>(c), static_cast<Uint8>(c >> 24));
    SDL_RenderDrawPointsF(renderer_, pendingPoints_.data(),
                          static_cast<int>(pendingPoints_.size()));
    ++drawCallsInFrame_;
    pendingPoints_.clear();
}

// Copies the finished picture for tests.
void SdlEngine::readFramePixels() {
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0 || w <= 0 || h <= 0) {
        framePixels.clear();
        return;
    }
    framePixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, framePixels.data(),
                             w * 4) != 0)
        framePixels.clear();
}

// Draws what is pending and shows the frame.
void SdlEngine::Gfx_EndScene() {
    if (!renderer_) return;
    flushPoints();
    drawCalls_ = drawCallsInFrame_;
    if (keepFramePixels) readFramePixels();
    SDL_RenderPresent(renderer_);
}

// Waits out the rest of the shortest frame when presenting did not wait for the display.
void SdlEngine::paceFrame() {
    const double spent = secondsSinceStart() - lastFrameStart_;
    if (spent >= minFramePeriod) return;
    const double waitMs = std::ceil((minFramePeriod - spent) * 1000.0);
    SDL_Delay(static_cast<Uint32>(waitMs));
}
