// The SDL window engine opens a real window on a private X server (Xvfb), runs frames,
// reads keys, shows lines and its title, and closes cleanly. Skipped where Xvfb is absent.
#include "platform/sdl_platform.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

// Under AddressSanitizer: the system's D-Bus and OpenGL drivers keep a few allocations
// until the process ends, which the leak checker would report as ours.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

// The path of an executable found on PATH, empty if there is none.
std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// A private Xvfb server, started on a display number it picks itself and stopped (by its
// process id) when the object goes away.
class XServer {
public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Starts the server and waits, at most 20 seconds, until it accepts clients.
    // On failure `why` says what went wrong.
    bool start(const std::string& binary, std::string& why) {
        int fds[2];
        if (::pipe(fds) != 0) {
            why = "pipe failed";
            return false;
        }
        ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        const std::string fdText = std::to_string(fds[1]);
        std::vector<std::string> args{binary,     "-displayfd", fdText, "-screen", "0",
                                      "1024x768x24", "-nolisten",  "tcp",  "-noreset"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&pid_, binary.c_str(), nullptr, nullptr, argv.data(),
                                     environ);
        ::close(fds[1]);
        if (rc != 0) {
            pid_ = -1;
            ::close(fds[0]);
            why = "could not start " + binary;
            return false;
        }
        // The server writes its display number to the pipe once it is ready.
        std::string number;
        pollfd waitFd{fds[0], POLLIN, 0};
        for (int rounds = 0; rounds < 200 && number.find('\n') == std::string::npos; ++rounds) {
            if (::poll(&waitFd, 1, 100) <= 0) continue;
            char buffer[16];
            const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
            if (got <= 0) break;
            number.append(buffer, static_cast<size_t>(got));
        }
        ::close(fds[0]);
        if (number.empty() || number.find('\n') == std::string::npos) {
            why = "Xvfb did not report a display in time";
            return false;
        }
        display_ = ":" + number.substr(0, number.find('\n'));
        return true;
    }

    // The display name, such as ":99".
    const std::string& display() const { return display_; }

    // Stops the server: politely first, then forcibly after 5 seconds.
    ~XServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int rounds = 0; rounds < 500; ++rounds) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            ::poll(nullptr, 0, 10);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
    std::string display_;
};

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

// Starts Xvfb for the test and points SDL at it; skips the test without Xvfb.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string xvfb = findOnPath("Xvfb");
        if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed: no window to test";
        std::string why;
        ASSERT_TRUE(server_.start(xvfb, why)) << why;
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

TEST(SdlEngineWithoutDisplay, InitiateFailureReportsSdlsReason) {
    const char* previous = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = previous ? previous : "";
    ::setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    Engine* created = sdlPlatformHooks().createEngine();
    ASSERT_NE(created, nullptr);
    EXPECT_FALSE(created->System_Initiate());
    EXPECT_NE(created->System_GetErrorMessage().find("no-such-driver"), std::string::npos)
        << created->System_GetErrorMessage();
    // Nothing to run without a window.
    EXPECT_FALSE(created->System_Start());
    created->System_Shutdown();
    created->Release();
    if (previous) {
        ::setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    } else {
        ::unsetenv("SDL_VIDEODRIVER");
    }
}

TEST(SdlJoystickWithoutDevice, NoJoystickReadsAsCentred) {
    Joystick& joy = *sdlPlatformHooks().joystick;
    ASSERT_TRUE(joy.init()) << SDL_GetError();
    if (joy.numJoysticks() > 0) GTEST_SKIP() << "a real joystick is attached";
    EXPECT_FALSE(joy.open(0));
    EXPECT_FALSE(joy.opened(0));
    joy.update();
    EXPECT_EQ(joy.getHat(0), 0);
    EXPECT_EQ(joy.getAxis(0), 0);
    EXPECT_EQ(joy.getAxis(1), 0);
    EXPECT_EQ(joy.numButtons(), 0);
    EXPECT_FALSE(joy.getButton(0));
    joy.close();
}
