// The window engine on SDL2: a resizable window (800 x 600 at first), frame and render
// callbacks once per display frame, a per-frame clock, keyboard state in game key codes,
// and line drawing.
//
// Lines are rasterised on the CPU into a picture at the window's resolution
// (platform/framebuffer.h, on every core) and uploaded as one texture per frame, so a frame
// of 100,000 lines is one copy for SDL and the window shows the same pixels as
// writeScenePng at 800 x 600. The picture keeps the game's 4:3 shape, centred between
// black bars. Where frames take too long at full resolution the picture is drawn smaller
// and scaled up (platform/resolution.h). Fullscreen on an X server without a window
// manager sizes the window itself.
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

// True when the renderer is OpenGL drawn on the CPU (Mesa's llvmpipe, softpipe or swrast),
// as on a virtual display: copying the picture through it costs more than drawing it.
bool openGlInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
        std::string_view(info.name).find("opengl") == std::string_view::npos)
        return false;
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int glRenderer = 0x1F01;  // GL_RENDERER
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString ? getString(glRenderer) : nullptr;
    if (name == nullptr) return false;
    const std::string_view text(reinterpret_cast<const char*>(name));
    for (std::string_view word : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (text.find(word) != std::string_view::npos) return true;
    return false;
}

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
        if (renderer_) sizeDrawing();
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
    if (renderer_) return true;
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
    // Prefer a paced, accelerated renderer; take whatever works. OpenGL drawn in software
    // only makes the copy of the picture dear: SDL's own software renderer then does it.
    renderer_ = SDL_CreateRenderer(window_, -1,
                                   SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ && openGlInSoftware(renderer_) && !SDL_GetHint(SDL_HINT_RENDER_DRIVER)) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
        // The window's own pixels then go straight to the display, not through OpenGL.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
        error_ = std::string("Can't create the renderer: ") + SDL_GetError();
        System_Shutdown();
        return false;
    }
    SDL_RendererInfo info{};
    const bool known = SDL_GetRendererInfo(renderer_, &info) == 0;
    vsyncPaces_ = known && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    // Drawn on the CPU into the window's own pixels, the picture in their format is copied
    // row by row; in any other it would be converted pixel by pixel. The picture's pixels
    // are 0xFFRRGGBB, the same bytes in either format.
    textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
    if (known && (info.flags & SDL_RENDERER_SOFTWARE) != 0 &&
        SDL_GetWindowPixelFormat(window_) == SDL_PIXELFORMAT_RGB888)
        textureFormat_ = SDL_PIXELFORMAT_RGB888;
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
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
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

// Closes the sound device, the renderer and the window and stops the video subsystem.
void SdlEngine::System_Shutdown() {
    Audio_Stop();
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    framebuffer_.reset();
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
    frameCpuStart_ = std::clock();
    ++framesRun_;
    // Far more frames than the display shows: presenting does not wait for it after all,
    // and the frame loop paces itself from now on.
    if (frameRate_.frame(now) && frameRate_.fps() > refreshRate_ * 3 / 2 + 5) vsyncPaces_ = false;
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
    if (!renderer_) return false;
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

// Copies the window's finished pixels, bars included, for tests.
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

// Rasterises the picture, uploads it, and shows it between the black bars.
void SdlEngine::Gfx_EndScene() {
    if (!renderer_ || !texture_) return;
    framebuffer_->finish();
    const std::span<const uint32_t> pixels = framebuffer_->pixels();
    SDL_UpdateTexture(texture_, nullptr, pixels.data(), framebuffer_->width() * 4);
    // Black bars where the picture leaves room; the picture covers the rest.
    if (barCount_ > 0) {
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderFillRects(renderer_, bars_.data(), barCount_);
    }
    SDL_RenderCopy(renderer_, texture_, nullptr, &pictureArea_);
    // The frame's work, up to the wait for the display that presenting may hold: its time
    // on the clock, or the CPU time all the game's threads spent meanwhile where that is
    // less (another program had the cores: drawing smaller would not help).
    const double cpuSeconds = static_cast<double>(std::clock() - frameCpuStart_) / CLOCKS_PER_SEC;
    const double workSeconds = std::min(secondsSinceStart() - lastFrameStart_, cpuSeconds);
    if (keepFramePixels) readFramePixels();
    SDL_RenderPresent(renderer_);
    adaptResolution(workSeconds);
}

DrawingSize SdlEngine::Gfx_GetDrawingSize() {
    return {drawWidth_, drawHeight_, pictureArea_.w, pictureArea_.h};
}

void SdlEngine::adaptResolution(double seconds) {
    if (resolutionMode_ != ResolutionMode::automatic) return;
    if (resolution_.frame(seconds, 1.0 / std::max(refreshRate_, 30))) sizeDrawing();
}

// Fits the 4:3 picture into the window's pixels, centred, and makes the texture and the
// framebuffer of that size. False if the texture cannot be made.
bool SdlEngine::layOutPicture() {
    sizeUnmanagedFullscreen();
    int outW = 0, outH = 0;
    if (SDL_GetRendererOutputSize(renderer_, &outW, &outH) != 0 || outW <= 0 || outH <= 0) {
        outW = width_;
        outH = height_;
    }
    // The largest width_ : height_ rectangle that fits, at least one pixel each way.
    int w = outW, h = static_cast<int>(int64_t{outW} * height_ / width_);
    if (h > outH) {
        h = outH;
        w = static_cast<int>(int64_t{outH} * width_ / height_);
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    const SDL_Rect area{(outW - w) / 2, (outH - h) / 2, w, h};
    // The bars: left and right of the picture, or above and below it.
    barCount_ = 0;
    if (area.x > 0) {
        bars_[barCount_++] = SDL_Rect{0, 0, area.x, outH};
        bars_[barCount_++] = SDL_Rect{area.x + w, 0, outW - area.x - w, outH};
    } else if (area.y > 0) {
        bars_[barCount_++] = SDL_Rect{0, 0, outW, area.y};
        bars_[barCount_++] = SDL_Rect{0, area.y + h, outW, outH - area.y - h};
    } else if (w < outW || h < outH) {
        bars_[barCount_++] = SDL_Rect{w, 0, outW - w, outH};
        bars_[barCount_++] = SDL_Rect{0, h, w, outH - h};
    }
    const bool sameSize = area.w == pictureArea_.w && area.h == pictureArea_.h;
    pictureArea_ = area;
    if (texture_ && sameSize) return true;
    return sizeDrawing();
}

bool SdlEngine::sizeDrawing() {
    const int fullW = std::max(pictureArea_.w, 1), fullH = std::max(pictureArea_.h, 1);
    int w = fullW, h = fullH;
    if (resolutionMode_ == ResolutionMode::native) {
        w = width_;
        h = height_;
    } else if (resolutionMode_ == ResolutionMode::automatic) {
        w = std::max(fullW * resolution_.percent() / 100, 1);
        h = std::max(fullH * resolution_.percent() / 100, 1);
    }
    if (texture_ && w == drawWidth_ && h == drawHeight_) return true;
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, textureFormat_, SDL_TEXTUREACCESS_STREAMING, w, h);
    drawWidth_ = texture_ ? w : 0;
    drawHeight_ = texture_ ? h : 0;
    if (!texture_) return false;
    // The picture is opaque: copied, never blended.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    framebuffer_->resize(width_, height_, w, h);
    return true;
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
