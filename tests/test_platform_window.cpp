// The SDL window engine opens a real window on a private X server (Xvfb), runs frames,
// reads keys, shows lines and its title, scales its picture, plays sound where a device
// exists (silent where none does), and closes cleanly (skipped where Xvfb is absent).
#include "platform/sdl_platform.h"
#include "tests/support/shell_world.h"
#include "tests/support/scene_png.h"
#include "tests/support/x_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// Under AddressSanitizer: the system's D-Bus and OpenGL drivers keep a few allocations
// until the process ends, which the leak checker would report as ours.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

using testing_support::findOnPath;
using testing_support::XServer;

// State shared with the frame and render functions below.
SdlEngine* engine = nullptr;
int frames = 0;
int stopAfter = 0;
bool keyWasPressed = false, keyWasHeld = false, keyStayedHeld = false, keyReleased = false;
bool clockConstant = true;
std::vector<float> frameTimes;

// Sends a key event to the window's queue, as the keyboard would.
void pushKey(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = scancode;
    SDL_PushEvent(&event);
}

// Presses R in frame 1, looks at it in frames 2 and 3, releases it, ends after stopAfter.
bool keyFrame() {
    ++frames;
    const float t = engine->Timer_GetTime();
    frameTimes.push_back(t);
    if (frames == 1) pushKey(SDL_KEYDOWN, SDLK_r, SDL_SCANCODE_R);
    if (frames == 2) {
        keyWasPressed = engine->Input_GetKey() == keys::letterR;
        keyWasHeld = engine->Input_GetKeyState(keys::letterR);
    }
    if (frames == 3) {
        keyStayedHeld = engine->Input_GetKeyState(keys::letterR) && engine->Input_GetKey() == 0;
        pushKey(SDL_KEYUP, SDLK_r, SDL_SCANCODE_R);
        engine->System_SetState(HGE_TITLE, "60 / 1 / 2 / 3");
    }
    if (frames == 4) keyReleased = !engine->Input_GetKeyState(keys::letterR);
    if (engine->Timer_GetTime() != t) clockConstant = false;
    return frames >= stopAfter;
}

// A red line, and a green line cut by the playfield clipping.
bool lineRender() {
    if (engine->Timer_GetTime() != frameTimes.back()) clockConstant = false;
    engine->Gfx_BeginScene();
    engine->Gfx_SetClipping(0, 0, 800, 600);
    engine->Gfx_Clear(0);
    engine->Gfx_RenderLine(100, 100, 300, 100, 0xFFFF0000u, 0.5f);
    engine->Gfx_SetClipping(200, 0, 400, 600);
    engine->Gfx_RenderLine(100, 200, 700, 200, 0xFF00FF00u, 0.5f);
    engine->Gfx_EndScene();
    return false;
}

// A crowded playfield: 20,000 short lines, opaque and translucent, some across the clip
// area's edges and the bands the picture is rasterised in.
void drawCrowd(Engine& target) {
    target.Gfx_Clear(0xFF102030u);
    target.Gfx_SetClipping(200, 0, 400, 600);
    for (int k = 0; k < 20000; ++k) {
        const auto x = static_cast<float>(k % 700 + 50) + 0.3f;
        const auto y = static_cast<float>(k / 700 * 20 + 10) + 0.6f;
        const uint32_t color = k % 3 == 0 ? 0x80FF8000u : 0xFF00FFFFu - static_cast<uint32_t>(k);
        target.Gfx_RenderLine(x, y, x + static_cast<float>(k % 9) - 4, y + 13, color, 0.5f);
    }
    target.Gfx_SetClipping(0, 0, 0, 0);
    target.Gfx_RenderLine(-10, 300.5f, 810, 299.5f, 0xFFFFFFFFu, 0.5f);
}

// Draws the crowd.
bool crowdRender() {
    engine->Gfx_BeginScene();
    drawCrowd(*engine);
    engine->Gfx_EndScene();
    return false;
}

// A white frame around the whole screen, to find the picture's edges in the window.
bool borderRender() {
    engine->Gfx_BeginScene();
    engine->Gfx_Clear(0);
    const uint32_t white = 0xFFFFFFFFu;
    engine->Gfx_RenderLine(0, 0, 799, 0, white, 0.5f);
    engine->Gfx_RenderLine(0, 599, 799, 599, white, 0.5f);
    engine->Gfx_RenderLine(0, 0, 0, 599, white, 0.5f);
    engine->Gfx_RenderLine(799, 0, 799, 599, white, 0.5f);
    engine->Gfx_EndScene();
    return false;
}

// Runs frames until `done` holds, at most 300 (the window's changes arrive from the server
// a few frames later).
std::function<bool()> until;
bool untilFrame() {
    ++frames;
    return until() || frames >= 300;
}

// Asks the window to close in frame 2; a safety stop ends the run after 100 frames.
bool closingFrame() {
    ++frames;
    if (frames == 2) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    return frames >= 100;
}

// What the sound device's thread saw: calls, frames per call, and a buffer not zeroed.
std::atomic<int> audioCalls{0};
std::atomic<int> audioFrames{0};
std::atomic<bool> audioDirty{false};

// Notes a call, checks the buffer came silent and leaves it loud for the next check.
void countingFill(void*, float* stereo, int frames) {
    for (int i = 0; i < frames * 2; ++i) {
        if (stereo[i] != 0.0f) audioDirty = true;
        stereo[i] = 0.5f;
    }
    audioFrames = frames;
    ++audioCalls;
}

// Sets SDL_AUDIODRIVER for one test and puts back what was there.
class AudioDriver {
public:
    explicit AudioDriver(const char* name) {
        const char* previous = std::getenv("SDL_AUDIODRIVER");
        had_ = previous != nullptr;
        if (had_) saved_ = previous;
        ::setenv("SDL_AUDIODRIVER", name, 1);
    }
    ~AudioDriver() {
        if (had_) {
            ::setenv("SDL_AUDIODRIVER", saved_.c_str(), 1);
        } else {
            ::unsetenv("SDL_AUDIODRIVER");
        }
    }
    AudioDriver(const AudioDriver&) = delete;
    AudioDriver& operator=(const AudioDriver&) = delete;

private:
    bool had_ = false;
    std::string saved_;
};

// Starts Xvfb for the test and points SDL at it; skips the test when no display starts.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { startOn("1024x768x24"); }
    // Starts the display with a screen of the given size.
    void startOn(const std::string& screen) {
        const std::string xvfb = findOnPath("Xvfb");
        if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed: no window to test";
        std::string why;
        if (!server_.start(xvfb, why, screen))
            GTEST_SKIP() << "the private display did not start: " << why;
        ::setenv("DISPLAY", server_.display().c_str(), 1);
        ::setenv("SDL_VIDEODRIVER", "x11", 1);
        frames = 0;
        frameTimes.clear();
    }
    XServer server_;
};

// The SDL engine behind the platform hooks.
SdlEngine* createEngine() {
    Engine* created = sdlPlatformHooks().createEngine();
    auto* sdl = dynamic_cast<SdlEngine*>(created);
    if (!sdl && created) created->Release();
    return sdl;
}

// Opens a window that draws the border and runs frames until `until` says so, as `engine`.
void openBorderWindow() {
    engine = createEngine();
    ASSERT_NE(engine, nullptr);
    engine->System_SetState(HGE_WINDOWED, true);
    engine->System_SetState(HGE_FRAMEFUNC, untilFrame);
    engine->System_SetState(HGE_RENDERFUNC, borderRender);
    ASSERT_TRUE(engine->System_Initiate()) << engine->System_GetErrorMessage();
}

}  // namespace

TEST_F(WindowTest, RunsFramesShowsLinesAndReadsKeys) {
    engine = createEngine();
    ASSERT_NE(engine, nullptr);
    engine->System_SetState(HGE_WINDOWED, true);
    engine->System_SetState(HGE_SCREENWIDTH, 800);
    engine->System_SetState(HGE_SCREENHEIGHT, 600);
    engine->System_SetState(HGE_TITLE, "Quillfray");
    engine->System_SetState(HGE_FRAMEFUNC, keyFrame);
    engine->System_SetState(HGE_RENDERFUNC, lineRender);
    ASSERT_TRUE(engine->System_Initiate()) << engine->System_GetErrorMessage();
    EXPECT_EQ(engine->windowTitle(), "Quillfray");
    engine->keepFramePixels = true;
    stopAfter = 6;
    EXPECT_TRUE(engine->System_Start());

    EXPECT_EQ(frames, 6);
    EXPECT_EQ(engine->framesRun(), 6);
    EXPECT_TRUE(keyWasPressed);
    EXPECT_TRUE(keyWasHeld);
    EXPECT_TRUE(keyStayedHeld);
    EXPECT_TRUE(keyReleased);
    EXPECT_TRUE(clockConstant);
    for (size_t i = 1; i < frameTimes.size(); ++i) EXPECT_LE(frameTimes[i - 1], frameTimes[i]);
    EXPECT_EQ(engine->windowTitle(), "60 / 1 / 2 / 3");

    // The last drawn frame (frame 5: frame 6 ended the run) as the window showed it.
    ASSERT_EQ(engine->framePixels.size(), 800u * 600u);
    auto pixel = [](int x, int y) { return engine->framePixels[y * 800 + x] & 0xFFFFFFu; };
    EXPECT_EQ(pixel(100, 100), 0xFF0000u);
    EXPECT_EQ(pixel(200, 100), 0xFF0000u);
    EXPECT_EQ(pixel(300, 100), 0xFF0000u);
    EXPECT_EQ(pixel(301, 100), 0u);
    EXPECT_EQ(pixel(200, 101), 0u);
    EXPECT_EQ(pixel(199, 200), 0u);
    EXPECT_EQ(pixel(200, 200), 0x00FF00u);
    EXPECT_EQ(pixel(599, 200), 0x00FF00u);
    EXPECT_EQ(pixel(600, 200), 0u);

    engine->System_Shutdown();
    EXPECT_EQ(engine->windowTitle(), "");
    engine->Release();
    engine = nullptr;
}

TEST_F(WindowTest, ClosingTheWindowEndsTheRun) {
    engine = createEngine();
    ASSERT_NE(engine, nullptr);
    engine->System_SetState(HGE_WINDOWED, true);
    engine->System_SetState(HGE_FRAMEFUNC, closingFrame);
    ASSERT_TRUE(engine->System_Initiate()) << engine->System_GetErrorMessage();
    EXPECT_TRUE(engine->System_Start());
    EXPECT_EQ(frames, 2);
    EXPECT_GE(engine->Timer_GetFPS(), 0);
    engine->Release();
    engine = nullptr;
}

TEST_F(WindowTest, ACrowdedFrameShowsTheHeadlessRastersPixels) {
    testing_support::Scene scene;
    drawCrowd(scene.engine);
    const testing_support::Image image = testing_support::render(scene);
    ASSERT_EQ(image.pixels.size(), 800u * 600u);
    EXPECT_EQ(image.at(100, 100) & 0xFFFFFFu, 0x102030u);  // clipped away: background
    EXPECT_EQ(image.at(5, 300) & 0xFFFFFFu, 0xFFFFFFu);    // the unclipped line
    // Drawn straight into memory shared with the X server (the display has no GPU), into
    // SDL's window pixels, and through SDL's software renderer as a texture, as where a
    // renderer is asked for. Shared with the server, the pixels are read back from it.
    enum class Way { sharedWithX11, sdlWindowPixels, renderer };
    for (const Way way : {Way::sharedWithX11, Way::sdlWindowPixels, Way::renderer}) {
        const bool renderer = way == Way::renderer;
        if (renderer) ::setenv("SDL_RENDER_DRIVER", "software", 1);
        engine = createEngine();
        ASSERT_NE(engine, nullptr);
        engine->shareWithX11 = way == Way::sharedWithX11;
        engine->System_SetState(HGE_WINDOWED, true);
        engine->System_SetState(HGE_FRAMEFUNC, keyFrame);
        engine->System_SetState(HGE_RENDERFUNC, crowdRender);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_GetErrorMessage();
        EXPECT_EQ(engine->drawsIntoWindow(), !renderer);
        EXPECT_EQ(engine->sharesWithX11(), way == Way::sharedWithX11);
        engine->keepFramePixels = true;
        frames = 0;
        stopAfter = 3;
        EXPECT_TRUE(engine->System_Start());
        ASSERT_EQ(engine->framePixels.size(), 800u * 600u);
        int differing = 0;
        for (size_t i = 0; i < image.pixels.size(); ++i)
            differing += (engine->framePixels[i] & 0xFFFFFFu) != (image.pixels[i] & 0xFFFFFFu);
        EXPECT_EQ(differing, 0) << static_cast<int>(way);
        engine->System_Shutdown();
        engine->Release();
        engine = nullptr;
        ::unsetenv("SDL_RENDER_DRIVER");
    }
}

// The picture keeps its 4:3 shape in a resized window and in fullscreen (F11, Alt+Enter),
// centred between black bars, and is drawn at the window's resolution; fullscreen without
// a window manager gets the window that size as well.
class ScalingWindowTest : public WindowTest {
protected:
    void SetUp() override { startOn("1280x720x24"); }
};

namespace {

// Runs frames until the picture lies at `want` in the window, and one frame more.
void runUntilArea(SDL_Rect want) {
    frames = 0;
    until = [want, drawn = false]() mutable {
        if (drawn) return true;
        const SDL_Rect a = engine->pictureArea();
        drawn = a.x == want.x && a.y == want.y && a.w == want.w && a.h == want.h;
        return false;
    };
    EXPECT_TRUE(engine->System_Start());
    ASSERT_LT(frames, 300) << "the picture never took " << want.w << " x " << want.h;
}

}  // namespace

TEST_F(ScalingWindowTest, PictureFitsTheWindowBetweenBlackBars) {
    ASSERT_NO_FATAL_FAILURE(openBorderWindow());
    engine->keepFramePixels = true;
    auto white = [](int x, int y, int width) {
        return (engine->framePixels[static_cast<size_t>(y * width + x)] & 0xFFFFFFu) == 0xFFFFFFu;
    };

    // A wider window: bars left and right, the 800 x 600 picture between them.
    SDL_SetWindowSize(engine->window(), 1000, 600);
    runUntilArea({100, 0, 800, 600});
    ASSERT_EQ(engine->framePixels.size(), 1000u * 600u);
    EXPECT_FALSE(white(99, 300, 1000));
    EXPECT_TRUE(white(100, 300, 1000));
    EXPECT_TRUE(white(899, 300, 1000));
    EXPECT_FALSE(white(900, 300, 1000));

    // F11: fullscreen on the 1280 x 720 screen, the picture 960 x 720 with lines at that
    // resolution (screen column 799 lands on column 958 of the picture).
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.state = SDL_PRESSED;
    key.key.keysym.scancode = SDL_SCANCODE_F11;
    key.key.keysym.sym = SDLK_F11;
    SDL_PushEvent(&key);
    runUntilArea({160, 0, 960, 720});
    ASSERT_EQ(engine->framePixels.size(), 1280u * 720u);
    EXPECT_NE(SDL_GetWindowFlags(engine->window()) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_FALSE(white(159, 360, 1280));
    EXPECT_TRUE(white(160, 360, 1280));
    EXPECT_TRUE(white(160 + 958, 360, 1280));
    EXPECT_FALSE(white(160 + 959, 360, 1280));
    EXPECT_TRUE(white(640, 0, 1280));
    EXPECT_TRUE(white(640, 718, 1280));  // screen row 599 at 1.2 times
    // Drawn at the screen's own 800 x 600 and scaled up: screen column 799 now fills the
    // picture's last column instead of the one before it.
    EXPECT_EQ(engine->Gfx_GetDrawingSize().width, 960);
    engine->System_SetState(HGE_RESOLUTION, static_cast<int>(ResolutionMode::native));
    const DrawingSize native = engine->Gfx_GetDrawingSize();
    EXPECT_EQ(native.width, 800);
    EXPECT_EQ(native.height, 600);
    EXPECT_EQ(native.fullWidth, 960);
    runUntilArea({160, 0, 960, 720});
    EXPECT_TRUE(white(160 + 959, 360, 1280));
    engine->System_SetState(HGE_RESOLUTION, static_cast<int>(ResolutionMode::automatic));
    EXPECT_EQ(engine->Gfx_GetDrawingSize().width, 960);
    EXPECT_EQ(engine->Input_GetKey(), 0);  // the window's key, not the game's
    // With no window manager on this X server, the window itself has the screen's size too,
    // so that the whole picture shows (not its top-left 1000 x 600).
    int realW = 0, realH = 0;
    ASSERT_TRUE(x11WindowSize(engine->window(), realW, realH));
    EXPECT_EQ(realW, 1280);
    EXPECT_EQ(realH, 720);

    // Alt+Enter: back to the window.
    key.key.keysym.scancode = SDL_SCANCODE_RETURN;
    key.key.keysym.sym = SDLK_RETURN;
    key.key.keysym.mod = KMOD_LALT;
    SDL_PushEvent(&key);
    runUntilArea({100, 0, 800, 600});
    EXPECT_EQ(SDL_GetWindowFlags(engine->window()) & SDL_WINDOW_FULLSCREEN, 0u);
    ASSERT_TRUE(x11WindowSize(engine->window(), realW, realH));
    EXPECT_EQ(realW, 1000);
    EXPECT_EQ(realH, 600);
    EXPECT_FALSE(engine->Input_GetKeyState(keys::enter));
    engine->System_Shutdown();
    engine->Release();
    engine = nullptr;
}

// The game's settings switch fullscreen and the window's scale while the window is open;
// a scale set in fullscreen waits for the window.
TEST_F(ScalingWindowTest, FullscreenAndScaleChangeWhileTheWindowIsOpen) {
    ASSERT_NO_FATAL_FAILURE(openBorderWindow());
    EXPECT_TRUE(engine->System_GetState(HGE_WINDOWED));
    engine->System_SetState(HGE_WINDOWED, false);
    runUntilArea({160, 0, 960, 720});
    EXPECT_FALSE(engine->System_GetState(HGE_WINDOWED));
    engine->System_SetState(HGE_WINDOWSCALE, 0);  // fit: the screen's 1280 x 720
    engine->System_SetState(HGE_WINDOWED, true);
    runUntilArea({0, 0, 960, 720});
    EXPECT_TRUE(engine->System_GetState(HGE_WINDOWED));
    engine->System_SetState(HGE_WINDOWSCALE, 1);
    runUntilArea({0, 0, 800, 600});
    engine->System_Shutdown();
    engine->Release();
    engine = nullptr;
}

// Sound on SDL's dummy driver, a device that calls back without hardware: the fill function
// runs on its own with zeroed buffers of 512 frames, stops while paused and after Audio_Stop,
// and the window keeps running frames throughout.
TEST_F(WindowTest, TheSoundDeviceCallsTheFillFunctionUntilPausedOrStopped) {
    const AudioDriver driver("dummy");
    ASSERT_NO_FATAL_FAILURE(openBorderWindow());
    audioCalls = 0;
    audioDirty = false;
    ASSERT_TRUE(engine->Audio_Start(countingFill, nullptr));
    EXPECT_TRUE(engine->audioOpen());
    auto runUntilCalls = [](int atLeast) {
        frames = 0;
        until = [atLeast] { return audioCalls >= atLeast; };
        EXPECT_TRUE(engine->System_Start());
        EXPECT_LT(frames, 300) << "the device never called back";
    };
    auto callsAfterFiveFrames = [] {
        frames = 0;
        until = [] { return frames >= 5; };
        engine->System_Start();
        return audioCalls.load();
    };
    runUntilCalls(3);
    EXPECT_EQ(audioFrames, 512);
    EXPECT_FALSE(audioDirty);

    engine->Audio_Pause(true);
    engine->Audio_Lock();  // a call under way ends before the lock is had
    const int paused = audioCalls;
    engine->Audio_Unlock();
    EXPECT_EQ(callsAfterFiveFrames(), paused);
    engine->Audio_Pause(false);
    runUntilCalls(paused + 2);

    engine->Audio_Stop();
    EXPECT_FALSE(engine->audioOpen());
    const int stopped = audioCalls;
    EXPECT_EQ(callsAfterFiveFrames(), stopped);
    EXPECT_EQ(frames, 5);

    ASSERT_TRUE(engine->Audio_Start(countingFill, nullptr));
    engine->System_Shutdown();  // closes the device with the window
    EXPECT_FALSE(engine->audioOpen());
    engine->Release();
    engine = nullptr;
}

// Without a sound device the game plays on silently: Audio_Start says why in one line on
// stderr and returns false, and the window runs its frames as before.
TEST_F(WindowTest, WithoutASoundDeviceOneLineSaysSoAndTheWindowRunsOn) {
    const AudioDriver driver("no-such-driver");
    ASSERT_NO_FATAL_FAILURE(openBorderWindow());
    audioCalls = 0;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(engine->Audio_Start(countingFill, nullptr));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("quillfray: no sound: ", 0), 0u) << said;
    EXPECT_NE(said.find("no-such-driver"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    EXPECT_FALSE(engine->audioOpen());
    engine->Audio_Pause(false);  // harmless without a device
    engine->Audio_Lock();
    engine->Audio_Unlock();
    frames = 0;
    until = [] { return frames >= 3; };
    EXPECT_TRUE(engine->System_Start());
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(audioCalls, 0);
    engine->System_Shutdown();
    engine->Release();
    engine = nullptr;
}
