// The web engine (emscripten): frames from the browser's animation callback, the
// browser's clock, keyboard events of the page's canvas in game key codes, the fingers
// and on-screen buttons the page's touch listeners hand over (qf_touch_*), and lines
// rasterised into the shared CPU framebuffer that is shown on the canvas once per frame.
//
// The browser owns the loop: System_Start hands the frames to emscripten_set_main_loop
// and never returns to its caller. A frame function returning true stops the frames and
// tells the page (Module.onGameEnd); resumeWebFrames runs them again.
//
// Sound is Web Audio: a script processor on the page's main thread, started by the first
// key or click (browsers allow no sound before), pulls 1,024 frames at a time through
// qf_web_audio_fill. It runs between frames on the game's own thread, so the audio lock
// has nothing to keep out.
#include "platform/engine_parts.h"
#include "platform/framebuffer.h"
#include "platform/web_platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// The canvas the game draws into and takes keys from.
constexpr const char* canvasTarget = "#canvas";
// A frame that comes longer than this after the last one (the page was hidden, or the
// browser stalled) moves the clock on by one frame only, so the game does not race
// through the whole absence at once.
constexpr double longestFrameGap = 0.5;
constexpr double usualFramePeriod = 1.0 / 60.0;

// A colour 0xAARRGGBB as 0xAABBGGRR: the framebuffer then holds each pixel's bytes in the
// canvas's order, red first (blending treats every channel alike).
constexpr uint32_t canvasOrder(uint32_t color) {
    return (color & 0xFF00FF00u) | ((color >> 16) & 0xFFu) | ((color & 0xFFu) << 16);
}

// Shows the picture on the page's canvas, 4 bytes per pixel in RGBA order, and counts
// the pictures shown (Module.framesShown; Module.firstFrameTime is the page's clock at
// the first one).
EM_JS(void, showPicture, (const uint8_t* rgba, int width, int height), {
    const canvas = Module['canvas'];
    if (!canvas) return;
    if (!Module.qfContext) Module.qfContext = canvas.getContext('2d', {alpha: false});
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    Module.qfContext.putImageData(new ImageData(bytes, width, height), 0, 0);
    if (!Module.framesShown) Module.firstFrameTime = performance.now();
    Module.framesShown = (Module.framesShown || 0) + 1;
});

// Hands the window title (the game's status line) to the page.
EM_JS(void, showTitle, (const char* text), {
    if (Module.onTitle) Module.onTitle(UTF8ToString(text));
});

// Tells the page that a frame function ended the game.
EM_JS(void, tellGameEnded, (), {
    if (Module.onGameEnd) Module.onGameEnd();
});

// Frames the script processor asks for at most per call (it asks for 1,024).
constexpr int webAudioMaxFrames = 4096;

// The game's fill function while sound is on, its argument, and the game's pause.
Engine::AudioFill webAudioFill = nullptr;
void* webAudioUser = nullptr;
bool webAudioPaused = false;
// The interleaved stereo frames handed to the script processor.
float webAudioFrames[2 * webAudioMaxFrames];

// True when the browser has Web Audio; then the first key or click on the page opens an
// AudioContext at 48 kHz whose script processor copies qf_web_audio_fill's frames out.
EM_JS(int, startWebAudio, (), {
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (!AudioContextClass) return 0;
    if (Module.qfAudio) return 1;
    const audio = {context: null, events: ['keydown', 'mousedown', 'touchend']};
    audio.start = () => {
        if (audio.context) {
            if (audio.context.state === 'suspended') audio.context.resume();
            return;
        }
        try {
            audio.context = new AudioContextClass({sampleRate: 48000});
        } catch (error) {
            console.error('quillfray: no sound: ' + error);
            audio.events.forEach((name) => window.removeEventListener(name, audio.start, true));
            return;
        }
        const node = audio.context.createScriptProcessor(1024, 0, 2);
        node.onaudioprocess = (event) => {
            const out = event.outputBuffer;
            const frames = out.length;
            const at = _qf_web_audio_fill(frames);
            const stereo = new Float32Array(HEAPU8.buffer, at, frames * 2);
            const left = out.getChannelData(0);
            const right = out.getChannelData(1);
            for (let i = 0; i < frames; ++i) {
                left[i] = stereo[2 * i];
                right[i] = stereo[2 * i + 1];
            }
        };
        node.connect(audio.context.destination);
        audio.context.resume();
    };
    audio.events.forEach((name) => window.addEventListener(name, audio.start, true));
    Module.qfAudio = audio;
    return true;
});

// Closes the AudioContext and stops listening for the first key or click.
EM_JS(void, stopWebAudio, (), {
    const audio = Module.qfAudio;
    if (!audio) return;
    audio.events.forEach((name) => window.removeEventListener(name, audio.start, true));
    if (audio.context) audio.context.close();
    Module.qfAudio = null;
});

// What the page's touch listeners handed over (qf_touch_*): the finger and its motion not
// yet taken, the on-screen buttons held and pressed since the game cleared its latches,
// and a short tap not yet taken.
struct PageTouch {
    TouchMotion finger;
    uint8_t held = 0, pressed = 0;
    bool tapped = false;
    float tapX = 0, tapY = 0;
};
PageTouch pageTouch;

class WebEngine final : public Engine {
public:
    ~WebEngine() override { System_Shutdown(); }

    void System_SetState(HgeBoolState state, bool value) override;
    bool System_GetState(HgeBoolState state) override;
    void System_SetState(HgeIntState state, int value) override;
    void System_SetState(HgeFuncState state, FrameFunc func) override;
    void System_SetState(HgeStringState state, std::string_view text) override;
    bool System_Initiate() override;
    bool System_Start() override;
    std::string System_GetErrorMessage() override { return error_; }
    void System_Shutdown() override;
    void Release() override { delete this; }
    float Timer_GetTime() override;
    int Timer_GetFPS() override { return frameRate_.fps(); }
    double Timer_GetTicks() override { return secondsSinceStart(); }
    bool Input_GetKeyState(int key) override;
    bool System_FocusLost() override { return std::exchange(focusLost_, false); }
    int Input_GetKey() override { return framePressedKey_; }
    std::string Input_GetKeyName(int key) override { return keyName(key); }
    bool Input_KeyWentDown(int key) override;
    void Input_ClearLatches() override {
        keys_.clearLatches();
        pageTouch.pressed = 0;
    }
    TouchMotion Input_TakeTouch() override;
    uint8_t Input_TouchButtons() override { return pageTouch.held | pageTouch.pressed; }
    bool Input_TakeTap(float& x, float& y) override;
    bool Gfx_BeginScene() override;
    void Gfx_SetClipping(int x, int y, int w, int h) override { canvas_.setClip(x, y, w, h); }
    void Gfx_Clear(uint32_t color) override { canvas_.clear(canvasOrder(color)); }
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, uint32_t color, float) override {
        canvas_.line(x1, y1, x2, y2, canvasOrder(color));
    }
    void Gfx_EndScene() override;
    bool Audio_Start(AudioFill fill, void* user) override;
    void Audio_Pause(bool paused) override { webAudioPaused = paused; }
    void Audio_Stop() override;

    // One display frame: the frame function, then the render function current after it.
    void runFrame();
    // Runs the frames again after a frame function stopped them.
    void resume();

private:
    double secondsSinceStart() const;
    void startFrameClock();
    bool keyEvent(const EmscriptenKeyboardEvent& event, bool down);
    void releaseAllKeys();
    static EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void* engine);
    static EM_BOOL onKeyUp(int, const EmscriptenKeyboardEvent* event, void* engine);
    void loseFocus();
    static EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void* engine);
    static EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent* event, void* engine);

    int width_ = 800, height_ = 600;
    FrameFunc frameFunc_ = nullptr;
    FrameFunc renderFunc_ = nullptr;
    std::string title_;
    std::string error_;
    bool initiated_ = false;
    bool looping_ = false;               // emscripten's main loop is set up
    bool stopped_ = false;               // a frame function ended the game

    // Clock: the browser's milliseconds at System_Initiate, time left out for long gaps,
    // the frame's time, frames per second.
    double startMs_ = 0;
    double skipped_ = 0;
    bool inFrame_ = false;
    float frameTime_ = 0;
    double lastFrameStart_ = 0;
    FrameRate frameRate_;

    // Keys: how many held keys give each game key code, the code each held key (by its
    // KeyboardEvent.code) gave when pressed, the key pressed since the last frame and in
    // this frame, and the codes that went down since the game last cleared the latches.
    KeyTable keys_;
    std::vector<std::pair<std::string, int>> heldKeys_;
    int pressedSinceFrame_ = 0;
    int framePressedKey_ = 0;
    // The page's last tap, for the display frame after it only.
    bool frameTapped_ = false;
    float frameTapX_ = 0, frameTapY_ = 0;
    bool focusLost_ = false;

    raster::Framebuffer canvas_;         // the picture, in the canvas's byte order
};

// The engine whose frames the browser runs.
WebEngine* framesOwner = nullptr;

// emscripten's main loop callback: a frame of the engine that owns the frames.
void runOwnerFrame() {
    if (framesOwner != nullptr) framesOwner->runFrame();
}

// Screen size, taken when the engine starts.
// Fullscreen through the page's Fullscreen API: the canvas fills the screen, or the page
// comes back (a browser may refuse without a recent key or click: the page then stays).
EM_JS(void, setPageFullscreen, (int on), {
    const canvas = Module.canvas;
    if (!canvas) return;
    if (on && !document.fullscreenElement && canvas.requestFullscreen)
        canvas.requestFullscreen().then(() => canvas.focus(), () => {});
    if (!on && document.fullscreenElement && document.exitFullscreen)
        document.exitFullscreen().catch(() => {});
});

// Whether the canvas fills the screen now.
EM_JS(int, pageIsFullscreen, (), { return document.fullscreenElement ? 1 : 0; });

// The canvas's size on the page: 1 or 2 times the picture, else (0) as large as the
// window allows, always keeping 4:3.
EM_JS(void, setPageScale, (int scale), {
    const box = Module.canvas && Module.canvas.parentElement;
    if (!box) return;
    box.style.maxWidth = scale > 0 ? 'min(' + (800 * scale) + 'px, calc((100vh - 56px) * 4 / 3))' : '';
});

// Fullscreen follows HGE_WINDOWED once the page runs; the other switches mean nothing to
// a page.
void WebEngine::System_SetState(HgeBoolState state, bool value) {
    if (state == HGE_WINDOWED && initiated_) setPageFullscreen(value ? 0 : 1);
}

// Windowed unless the canvas fills the screen.
bool WebEngine::System_GetState(HgeBoolState state) {
    if (state == HGE_WINDOWED) return !initiated_ || pageIsFullscreen() == 0;
    return false;
}

void WebEngine::System_SetState(HgeIntState state, int value) {
    if (state == HGE_WINDOWSCALE) {
        // Only a change while the game runs (the Options screen): the page starts as large
        // as the window allows.
        if (initiated_) setPageScale(value);
        return;
    }
    if (initiated_ || value <= 0 || value > 4096) return;
    if (state == HGE_SCREENWIDTH) width_ = value;
    if (state == HGE_SCREENHEIGHT) height_ = value;
}

// Replaces the frame or the render function; the change shows from the next call on.
void WebEngine::System_SetState(HgeFuncState state, FrameFunc func) {
    (state == HGE_FRAMEFUNC ? frameFunc_ : renderFunc_) = func;
}

// Hands the title to the page when it changes.
void WebEngine::System_SetState(HgeStringState, std::string_view text) {
    if (text == title_) return;
    title_ = std::string(text);
    showTitle(title_.c_str());
}

// Sizes the canvas, listens to its keys and focus, and starts the clock.
bool WebEngine::System_Initiate() {
    if (initiated_) return true;
    if (emscripten_set_canvas_element_size(canvasTarget, width_, height_) !=
        EMSCRIPTEN_RESULT_SUCCESS) {
        error_ = "The page has no canvas with the id \"canvas\"";
        return false;
    }
    emscripten_set_keydown_callback(canvasTarget, this, true, &WebEngine::onKeyDown);
    emscripten_set_keyup_callback(canvasTarget, this, true, &WebEngine::onKeyUp);
    emscripten_set_blur_callback(canvasTarget, this, true, &WebEngine::onBlur);
    // Not in the capture phase: the window's own blur, not those of the page's elements.
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, false, &WebEngine::onBlur);
    emscripten_set_visibilitychange_callback(this, true, &WebEngine::onVisibility);
    canvas_.resize(width_, height_, width_, height_);
    startMs_ = emscripten_get_now();
    skipped_ = 0;
    frameTime_ = 0;
    lastFrameStart_ = 0;
    initiated_ = true;
    return true;
}

// Hands the frames to the browser; does not return to the caller while the page lives.
bool WebEngine::System_Start() {
    if (!initiated_) {
        error_ = "System_Start: the engine is not started";
        return false;
    }
    if (!frameFunc_) {
        error_ = "System_Start: no frame function";
        return false;
    }
    framesOwner = this;
    looping_ = true;
    stopped_ = false;
    emscripten_set_main_loop(runOwnerFrame, 0, 1);
    return true;
}

// Stops the frames and the sound and lets go of the canvas's events.
void WebEngine::System_Shutdown() {
    Audio_Stop();
    if (looping_) emscripten_cancel_main_loop();
    looping_ = false;
    if (framesOwner == this) framesOwner = nullptr;
    if (initiated_) emscripten_html5_remove_all_event_listeners();
    initiated_ = false;
}

// Seconds since System_Initiate on the browser's clock, less the long gaps left out.
double WebEngine::secondsSinceStart() const {
    return (emscripten_get_now() - startMs_) / 1000.0 - skipped_;
}

// Reads the clock once for the frame about to run and counts frames per second.
void WebEngine::startFrameClock() {
    double now = secondsSinceStart();
    if (now - lastFrameStart_ > longestFrameGap) {
        skipped_ += now - lastFrameStart_ - usualFramePeriod;
        now = secondsSinceStart();
        frameRate_.restart(now);
    }
    frameTime_ = std::max(frameTime_, static_cast<float>(now));
    lastFrameStart_ = now;
    frameRate_.frame(now);
}

// One display frame; a frame function returning true stops the frames.
void WebEngine::runFrame() {
    if (stopped_ || !frameFunc_) return;
    startFrameClock();
    framePressedKey_ = std::exchange(pressedSinceFrame_, 0);
    frameTapped_ = std::exchange(pageTouch.tapped, false);
    frameTapX_ = pageTouch.tapX;
    frameTapY_ = pageTouch.tapY;
    inFrame_ = true;
    const bool done = frameFunc_();
    // Read only now: a screen switch made by the frame function draws this frame.
    if (!done && renderFunc_) renderFunc_();
    inFrame_ = false;
    if (!done) return;
    stopped_ = true;
    emscripten_pause_main_loop();
    releaseAllKeys();
    tellGameEnded();
}

// Runs the frames again after a frame function stopped them.
void WebEngine::resume() {
    if (!looping_ || !stopped_) return;
    stopped_ = false;
    pressedSinceFrame_ = 0;
    emscripten_resume_main_loop();
}

// The frame's time while a frame runs; outside frames a fresh reading. Never decreases.
float WebEngine::Timer_GetTime() {
    if (initiated_ && !inFrame_)
        frameTime_ = std::max(frameTime_, static_cast<float>(secondsSinceStart()));
    return frameTime_;
}

// Updates the held keys, the latches and the pressed key from one key event; true when
// the game knows the key, so that the browser leaves its own use of it (scrolling,
// reloading) alone. Keys with Ctrl, Alt or the Windows key, Tab, F11 and F12 still go to
// the browser as well.
bool WebEngine::keyEvent(const EmscriptenKeyboardEvent& event, bool down) {
    const std::string_view place = event.code;
    auto held = std::find_if(heldKeys_.begin(), heldKeys_.end(),
                             [&](const auto& entry) { return entry.first == place; });
    if (!down) {
        if (held == heldKeys_.end()) return false;
        keys_.release(held->second);
        heldKeys_.erase(held);
        return true;
    }
    const int code = virtualKeyFromBrowser(event.key, place);
    if (!keys_.known(code)) return false;
    // The code is remembered per physical key, so the release matches the press even if
    // the layout or Shift changes the key's symbol in between.
    keys_.press(code, held == heldKeys_.end());
    if (held == heldKeys_.end()) heldKeys_.emplace_back(std::string(place), code);
    if (!event.repeat) pressedSinceFrame_ = code;
    const bool browserKey = event.ctrlKey || event.altKey || event.metaKey ||
                            code == keys::tab || code == 0x7A || code == keys::f12;
    return !browserKey;
}

// Forgets every held key.
void WebEngine::releaseAllKeys() {
    keys_.releaseAll();
    heldKeys_.clear();
}

// The canvas's keydown listener.
EM_BOOL WebEngine::onKeyDown(int, const EmscriptenKeyboardEvent* event, void* engine) {
    return static_cast<WebEngine*>(engine)->keyEvent(*event, true);
}

// The canvas's keyup listener.
EM_BOOL WebEngine::onKeyUp(int, const EmscriptenKeyboardEvent* event, void* engine) {
    return static_cast<WebEngine*>(engine)->keyEvent(*event, false);
}

// The canvas lost the keyboard, or the page its window or its tab: key releases made
// elsewhere never arrive here.
void WebEngine::loseFocus() {
    releaseAllKeys();
    focusLost_ = true;
}

// The canvas's and the window's blur listener.
EM_BOOL WebEngine::onBlur(int, const EmscriptenFocusEvent*, void* engine) {
    static_cast<WebEngine*>(engine)->loseFocus();
    return false;
}

// The page's visibility listener: a hidden page counts as a lost focus.
EM_BOOL WebEngine::onVisibility(int, const EmscriptenVisibilityChangeEvent* event, void* engine) {
    if (event->hidden) static_cast<WebEngine*>(engine)->loseFocus();
    return false;
}

// True while any held key gives this game key code.
bool WebEngine::Input_GetKeyState(int key) { return keys_.held(key); }

// True if a key event pressed this key code since the last Input_ClearLatches.
bool WebEngine::Input_KeyWentDown(int key) { return keys_.wentDown(key); }

// The finger, with its motion since the last take.
TouchMotion WebEngine::Input_TakeTouch() {
    const TouchMotion taken = pageTouch.finger;
    pageTouch.finger.dx = pageTouch.finger.dy = 0;
    return taken;
}

// The page's short tap since the last display frame, once.
bool WebEngine::Input_TakeTap(float& x, float& y) {
    if (!std::exchange(frameTapped_, false)) return false;
    x = frameTapX_;
    y = frameTapY_;
    return true;
}

// Starts a scene with clipping reset to the whole screen.
bool WebEngine::Gfx_BeginScene() {
    if (!initiated_) return false;
    canvas_.setClip(0, 0, 0, 0);
    return true;
}

// Shows the finished picture on the canvas.
void WebEngine::Gfx_EndScene() {
    if (!initiated_) return;
    canvas_.finish();
    const std::span<const uint32_t> pixels = canvas_.pixels();
    showPicture(reinterpret_cast<const uint8_t*>(pixels.data()), canvas_.width(),
                canvas_.height());
}

// Keeps the fill function for the script processor, which starts on the first key or click.
bool WebEngine::Audio_Start(AudioFill fill, void* user) {
    Audio_Stop();
    if (fill == nullptr) return false;
    if (!startWebAudio()) {
        std::fprintf(stderr, "quillfray: no sound: the browser has no Web Audio\n");
        return false;
    }
    webAudioFill = fill;
    webAudioUser = user;
    webAudioPaused = false;
    return true;
}

// Closes the page's AudioContext and forgets the fill function.
void WebEngine::Audio_Stop() {
    if (webAudioFill == nullptr) return;
    stopWebAudio();
    webAudioFill = nullptr;
    webAudioUser = nullptr;
}

}  // namespace

// The script processor's call: `frames` stereo frames, zeroed and filled unless the sound
// is paused or stopped; the address of the first.
extern "C" EMSCRIPTEN_KEEPALIVE float* qf_web_audio_fill(int frames) {
    frames = std::clamp(frames, 0, webAudioMaxFrames);
    std::fill_n(webAudioFrames, 2 * frames, 0.0f);
    if (webAudioFill != nullptr && !webAudioPaused)
        webAudioFill(webAudioUser, webAudioFrames, frames);
    return webAudioFrames;
}

// The page's touch listeners: a finger went down on the picture or came up (its motion
// not yet taken is dropped then).
extern "C" EMSCRIPTEN_KEEPALIVE void qf_touch_finger(int down) {
    pageTouch.finger = TouchMotion{.fingerDown = down != 0};
}

// The finger moved by (dx, dy) picture pixels.
extern "C" EMSCRIPTEN_KEEPALIVE void qf_touch_move(float dx, float dy) {
    if (!pageTouch.finger.fingerDown) return;
    pageTouch.finger.dx += dx;
    pageTouch.finger.dy += dy;
}

// An on-screen button (a touchbuttons bit) went down or up.
extern "C" EMSCRIPTEN_KEEPALIVE void qf_touch_button(int button, int down) {
    const auto bit = static_cast<uint8_t>(button);
    if (down != 0) {
        pageTouch.held |= bit;
        pageTouch.pressed |= bit;
    } else {
        pageTouch.held &= static_cast<uint8_t>(~bit);
    }
}

// A short tap at (x, y) picture pixels.
extern "C" EMSCRIPTEN_KEEPALIVE void qf_touch_tap(float x, float y) {
    pageTouch.tapped = true;
    pageTouch.tapX = x;
    pageTouch.tapY = y;
}

PlatformHooks webPlatformHooks() {
    PlatformHooks hooks;
    hooks.createEngine = []() -> Engine* { return new WebEngine(); };
    hooks.joystick = &webJoystick();
    hooks.showError = [](std::string_view text, std::string_view caption) {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    };
    hooks.wallClock = true;
    hooks.startupReport = true;
    return hooks;
}

void resumeWebFrames() {
    if (framesOwner != nullptr) framesOwner->resume();
}
