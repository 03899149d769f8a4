// The SDL backend's parts that need no window of their own: start-up failing without a
// display, the joystick layer without and with a (virtual) pad, and the rasteriser's lines
// against SDL's own software renderer.
#include "platform/sdl_platform.h"
#include "tests/support/scene_png.h"
#include "tests/support/shell_world.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <utility>

// Under AddressSanitizer: the system's D-Bus and OpenGL drivers keep a few allocations
// until the process ends, which the leak checker would report as ours.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

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

// A pad on SDL's virtual joystick driver, plugged in after start-up as a game controller:
// the game takes it up within a frame, A starts a run, the D-pad moves the ship, unplugging
// it pauses the run (saying so), and plugged in again its Start resumes. The game's frames
// run on the headless engine; the pad goes through the SDL joystick layer.
TEST(SdlPads, AVirtualPadPluggedInLaterStartsARunMovesAndUnpluggedPauses) {
    testing_support::ShellWorld world;
    world.load("script noop { }\nscript cleared { }\nmodel hull { line 0 0 0 0.01 }\n"
               "ship a { model hull }\n");
    Joystick& sdl = *sdlPlatformHooks().joystick;
    ASSERT_TRUE(sdl.init()) << SDL_GetError();
    if (sdl.numJoysticks() > 0) GTEST_SKIP() << "a real joystick is attached";
    game.platform.joystick = &sdl;
    enterShipSelection();
    world.stepFrame();
    EXPECT_FALSE(game.platform.joystickOpen);

    // Plugs in a pad with every standard button and axis; the test keeps its own handle to
    // press the pad's buttons.
    const auto plugIn = [] {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER,
                                                    SDL_CONTROLLER_AXIS_MAX,
                                                    SDL_CONTROLLER_BUTTON_MAX, 0);
        EXPECT_GE(index, 0) << SDL_GetError();
        return std::pair{index, SDL_JoystickOpen(index)};
    };
    const auto press = [](SDL_Joystick* pad, SDL_GameControllerButton button, bool down) {
        SDL_JoystickSetVirtualButton(pad, button, down ? 1 : 0);
    };
    auto [index, pad] = plugIn();
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    world.stepFrame();
    ASSERT_TRUE(game.platform.joystickOpen) << "taken up within a frame";
    EXPECT_TRUE(sdl.isPad());
    EXPECT_FALSE(app.shell.padNote.empty());

    press(pad, SDL_CONTROLLER_BUTTON_A, true);
    for (int f = 0; f < 3 && world.engine.frameFunc != &gameplayFrame; ++f) world.stepFrame();
    ASSERT_EQ(world.engine.frameFunc, &gameplayFrame) << "A starts a run";
    press(pad, SDL_CONTROLLER_BUTTON_A, false);
    world.stepFrame();
    const float startX = game.world.players[0].x;
    press(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    for (int f = 0; f < 20; ++f) world.stepFrame();
    press(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    EXPECT_LT(game.world.players[0].x, startX - 0.01f) << "the D-pad moves the ship";

    SDL_JoystickDetachVirtual(index);
    SDL_JoystickClose(pad);
    world.stepFrame();
    EXPECT_TRUE(app.shell.paused) << "unplugged during a run";
    EXPECT_FALSE(game.platform.joystickOpen);
    EXPECT_NE(app.shell.padNote.find("disconnected"), std::string::npos) << app.shell.padNote;
    const int32_t pausedAt = game.clock.frameCounter;
    world.frameAt(world.engine.time + 0.5);
    EXPECT_EQ(game.clock.frameCounter, pausedAt);

    std::tie(index, pad) = plugIn();
    world.frameAt(world.engine.time + 0.02);
    ASSERT_TRUE(game.platform.joystickOpen) << "plugged in again while paused";
    press(pad, SDL_CONTROLLER_BUTTON_START, true);
    world.frameAt(world.engine.time + 0.02);  // the Start seen by the next update
    world.frameAt(world.engine.time + 0.02);
    EXPECT_FALSE(app.shell.paused) << "Start resumes";
    sdl.close();
    SDL_JoystickDetachVirtual(index);
    SDL_JoystickClose(pad);
    game.platform.joystickOpen = false;
}

// The window rasterises lines itself; they match what SDL's own renderer draws.
TEST(SdlEngineRaster, LinesMatchSdlsSoftwareRenderer) {
    // SDL draws the same random lines, opaque and translucent, into a surface.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(surface, nullptr);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
    ASSERT_NE(renderer, nullptr) << SDL_GetError();
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> x(-300, 1100), y(-300, 900), offset(-40, 40);
    std::uniform_int_distribution<uint32_t> channel(0, 255);
    testing_support::Scene scene;
    scene.clear(0xFF000000u);
    for (int i = 0; i < 3000; ++i) {
        const float x1 = x(rng), y1 = y(rng);
        float x2 = i % 2 ? x1 + offset(rng) : x(rng), y2 = i % 2 ? y1 + offset(rng) : y(rng);
        if (i % 7 == 0) y2 = y1;
        if (i % 11 == 0) x2 = x1;
        const uint32_t a = i % 3 ? 255 : channel(rng), r = channel(rng), g = channel(rng),
                       b = channel(rng);
        scene.line(x1, y1, x2, y2, a << 24 | r << 16 | g << 8 | b);
        SDL_SetRenderDrawColor(renderer, static_cast<Uint8>(r), static_cast<Uint8>(g),
                               static_cast<Uint8>(b), static_cast<Uint8>(a));
        SDL_RenderDrawLineF(renderer, x1, y1, x2, y2);
    }
    SDL_RenderFlush(renderer);
    const testing_support::Image image = testing_support::render(scene);
    ASSERT_EQ(image.pixels.size(), 800u * 600u);
    const auto* sdlPixels = static_cast<const uint32_t*>(surface->pixels);
    const int pitch = surface->pitch / 4;
    int lit = 0, differing = 0;
    for (int py = 0; py < 600; ++py) {
        for (int px = 0; px < 800; ++px) {
            const uint32_t theirs = sdlPixels[py * pitch + px] & 0xFFFFFFu;
            const uint32_t ours = image.at(px, py) & 0xFFFFFFu;
            lit += theirs != 0 ? 1 : 0;
            differing += theirs != ours ? 1 : 0;
        }
    }
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
    EXPECT_GT(lit, 100000);
    // SDL's rounding may drift between versions; the pictures must stay alike.
    EXPECT_LT(differing, lit / 100);
}
