// The window engine on SDL2: a resizable window (800 x 600 at first), frame and render
// callbacks once per display frame, a per-frame clock, keyboard state in game key codes,
// and line drawing.
//
// Lines are rasterised on the CPU into a picture at the window's resolution
// (platform/framebuffer.h, on every core) and shown by platform/sdl_picture.cpp, so that
// the window shows the same pixels as writeScenePng at 800 x 600. Fullscreen on an X
// server without a window manager sizes the window itself.
#include "platform/sdl_platform.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>
#include <utility>

namespace {

// Shortest display frame while vsync paces presenting: a guard against a display that
// claims vsync and does not wait.
constexpr double minFramePeriod = 1.0 / 240.0;

// Display frame without vsync: the frame loop sleeps to the next one.
constexpr double pacedFramePeriod = 1.0 / 60.0;

}  // namespace

// Closes the window if the game did not.
SdlEngine::~SdlEngine() { System_Shutdown(); }

std::string SdlEngine::windowTitle() const {
    return window_ ? std::string(SDL_GetWindowTitle(window_)) : std::string();
}

// Windowed or full screen, now when the window is open; the sound and splash states
// change nothing (see Audio_Start).
void SdlEngine::System_SetState(HgeBoolState state, bool value) {
    if (state != HGE_WINDOWED) return;
    if (!window_) {
        windowed_ = value;
        return;
    }
    if (value != System_GetState(HGE_WINDOWED)) toggleFullscreen();
}

// Whether the window is a window (not fullscreen) now, or will open as one.
bool SdlEngine::System_GetState(HgeBoolState state) {
    if (state != HGE_WINDOWED) return false;
    if (!window_) return windowed_ && !fullscreenAtStart_;
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) == 0;
}

// Screen size, taken when the window opens; the depth is always 32 bits. The window
// scale sizes the window now, or after fullscreen.
void SdlEngine::System_SetState(HgeIntState state, int value) {
    if (state == HGE_WINDOWSCALE) {
        if (value < 0 || value > 2) return;
        scale_ = value;
        if (!window_) return;
        int w = 0, h = 0;
        scaledWindowSize(w, h);
        if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0) {
            windowedWidth_ = w;
            windowedHeight_ = h;
            return;
        }
        SDL_SetWindowSize(window_, w, h);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        return;
    }
    if (state == HGE_RESOLUTION) {
        if (value < 0 || value > static_cast<int>(ResolutionMode::native)) return;
        resolutionMode_ = static_cast<ResolutionMode>(value);
        resolution_.reset();
        if (pictureOpen()) sizeDrawing();
        return;
    }
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
    if (pictureOpen()) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = std::string("Can't initialise the video: ") + SDL_GetError();
        return false;
    }
    videoStarted_ = true;
    // The picture is drawn at the window's resolution; SDL only copies it, never smooths.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    Uint32 flags = SDL_WINDOW_RESIZABLE;
    if (!windowed_ || fullscreenAtStart_) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    int windowW = width_, windowH = height_;
    scaledWindowSize(windowW, windowH);
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               windowW, windowH, flags);
    if (!window_) {
        error_ = std::string("Can't create the window: ") + SDL_GetError();
        System_Shutdown();
        return false;
    }
    if (!openPicture()) {
        System_Shutdown();
        return false;
    }
    SDL_DisplayMode mode{};
    refreshRate_ = SDL_GetWindowDisplayMode(window_, &mode) == 0 && mode.refresh_rate > 0
                       ? mode.refresh_rate
                       : 60;
    framebuffer_ = std::make_unique<raster::Framebuffer>(&drawingWorkers());
    if (!layOutPicture()) {
        error_ = std::string("Can't create the picture: ") + SDL_GetError();
        System_Shutdown();
        return false;
    }
    showBlack();
    counterFrequency_ = std::max<uint64_t>(SDL_GetPerformanceFrequency(), 1);
    startCounter_ = SDL_GetPerformanceCounter();
    frameTime_ = 0;
    nextFrameAt_ = 0;
    frameRate_.reset();
    releaseAllKeys();
    return true;
}

// Runs display frames until a frame function returns true or the window is closed.
// A frame function returning true ends the run before its frame is drawn.
bool SdlEngine::System_Start() {
    if (!pictureOpen()) {
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

// Closes the sound device, the renderer and the window and stops the video subsystem.
void SdlEngine::System_Shutdown() {
    Audio_Stop();
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    framebuffer_.reset();
    if (renderer_) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    x11Picture_.reset();
    windowSurface_ = nullptr;
    drawsIntoWindow_ = false;
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
    frameCpuStart_ = std::clock();
    waitedForX11_ = 0;
    ++framesRun_;
    // Far more frames than the display shows: presenting does not wait for it after all,
    // and the frame loop paces itself from now on.
    if (frameRate_.frame(now) && frameRate_.fps() > refreshRate_ * 3 / 2 + 5) vsyncPaces_ = false;
}

// The frame's time while a frame runs; outside frames a fresh reading. Never decreases.
float SdlEngine::Timer_GetTime() {
    if (!pictureOpen()) return frameTime_;
    if (!inFrame_) frameTime_ = std::max(frameTime_, static_cast<float>(secondsSinceStart()));
    return frameTime_;
}

// The performance counter's seconds since start-up, read afresh on every call.
double SdlEngine::Timer_GetTicks() { return secondsSinceStart(); }

// Frames counted over the last full second.
int SdlEngine::Timer_GetFPS() { return frameRate_.fps(); }

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
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) layOutPicture();
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) showWholeWindow_ = true;
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
    // F11 and Alt+Enter belong to the window: they switch fullscreen and reach no screen.
    const bool enter = event.key.keysym.scancode == SDL_SCANCODE_RETURN ||
                       event.key.keysym.scancode == SDL_SCANCODE_KP_ENTER;
    if (down && (event.key.keysym.scancode == SDL_SCANCODE_F11 ||
                 (enter && (event.key.keysym.mod & KMOD_ALT) != 0))) {
        if (event.key.repeat == 0) toggleFullscreen();
        return;
    }
    if (scancode < 0 || scancode >= static_cast<int>(scancodeKey_.size())) return;
    int& heldCode = scancodeKey_[static_cast<size_t>(scancode)];
    if (!down) {
        if (heldCode != 0) keys_.release(heldCode);
        heldCode = 0;
        return;
    }
    const int code = virtualKeyFromSdl(static_cast<int>(event.key.keysym.sym), scancode);
    if (!keys_.known(code)) return;
    // The code is remembered per physical key, so the release matches the press even if
    // the layout changes in between.
    keys_.press(code, heldCode == 0);
    if (heldCode == 0) heldCode = code;
    if (event.key.repeat == 0) framePressedKey_ = code;
}

// Forgets every held key.
void SdlEngine::releaseAllKeys() {
    keys_.releaseAll();
    std::fill(scancodeKey_.begin(), scancodeKey_.end(), 0);
}

// True while any physical key with this game key code is held.
bool SdlEngine::Input_GetKeyState(int key) { return keys_.held(key); }

// True if a key event pressed this key code since the last Input_ClearLatches.
bool SdlEngine::Input_KeyWentDown(int key) { return keys_.wentDown(key); }

// Forgets the presses seen so far.
void SdlEngine::Input_ClearLatches() { keys_.clearLatches(); }

// The last key pressed (not auto-repeated) during this display frame, 0 if none.
int SdlEngine::Input_GetKey() { return framePressedKey_; }

// True once after the window lost the input focus.
bool SdlEngine::System_FocusLost() { return std::exchange(focusLost_, false); }

// The shared readable key name.
std::string SdlEngine::Input_GetKeyName(int key) { return keyName(key); }

// Starts a scene on the screen with clipping reset to the whole screen.
bool SdlEngine::Gfx_BeginScene() {
    if (!pictureOpen()) return false;
    settleX11Picture();
    framebuffer_->setClip(0, 0, 0, 0);
    return true;
}

// Sets the clip area; zero width and height mean the whole screen.
void SdlEngine::Gfx_SetClipping(int x, int y, int w, int h) {
    if (framebuffer_) framebuffer_->setClip(x, y, w, h);
}

// Fills the whole screen with the colour, whatever the clipping.
void SdlEngine::Gfx_Clear(uint32_t color) {
    if (framebuffer_) framebuffer_->clear(color);
}

// Queues the line for the picture.
void SdlEngine::Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color, float) {
    if (framebuffer_) framebuffer_->line(x1, y1, x2, y2, color);
}

// Queues the lines for the picture, a long batch on every core.
void SdlEngine::Gfx_RenderLines(std::span<const ScreenLine> lines, float) {
    if (framebuffer_) framebuffer_->lines(lines);
}

void SdlEngine::sizeUnmanagedFullscreen() {
    if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) == 0) return;
    int w = 0, h = 0, realW = 0, realH = 0;
    SDL_GetWindowSize(window_, &w, &h);
    if (!x11WindowSize(window_, realW, realH) || (realW == w && realH == h)) return;
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &bounds) != 0) return;
    placeX11WindowWithoutManager(window_, {bounds.x, bounds.y, w, h});
}

void SdlEngine::scaledWindowSize(int& w, int& h) const {
    w = width_ * std::max(scale_, 1);
    h = height_ * std::max(scale_, 1);
    if (scale_ != 0) return;
    SDL_Rect area{};
    const int display = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
    if (SDL_GetDisplayUsableBounds(std::max(display, 0), &area) != 0 || area.w <= 0 ||
        area.h <= 0)
        return;
    // Room for the window's title bar and frame, which the usable area does not leave.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (!window_ || SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0;
    const int roomW = area.w - left - right, roomH = area.h - top - bottom;
    w = roomW;
    h = static_cast<int>(int64_t{roomW} * height_ / width_);
    if (h > roomH) {
        h = roomH;
        w = static_cast<int>(int64_t{roomH} * width_ / height_);
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
}

void SdlEngine::toggleFullscreen() {
    if (!window_) return;
    if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) == 0) {
        SDL_GetWindowSize(window_, &windowedWidth_, &windowedHeight_);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowFullscreen(window_, 0);
    // Without a window manager nobody gives the window its old size back.
    if (windowedWidth_ > 0 && windowedHeight_ > 0)
        SDL_SetWindowSize(window_, windowedWidth_, windowedHeight_);
}

// Without vsync, sleeps until the next display frame is due, one every 1/60 s (a frame
// loop that fell behind starts afresh from now instead of hurrying); with vsync, only a
// frame shorter than the guard waits.
void SdlEngine::paceFrame() {
    const double now = secondsSinceStart();
    double due = lastFrameStart_ + minFramePeriod;
    if (!vsyncPaces_) {
        nextFrameAt_ += pacedFramePeriod;
        if (nextFrameAt_ < now - pacedFramePeriod) nextFrameAt_ = now;
        due = nextFrameAt_;
    }
    if (due > now) std::this_thread::sleep_for(std::chrono::duration<double>(due - now));
}
