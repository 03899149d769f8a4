// The headless engine runs frame and render callbacks in order, records scenes, and plays
// back the scripted clock, keys and joystick.
#include "platform/headless.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the callbacks below saw, in call order.
std::vector<std::string> calls;
// The engine the callbacks talk to.
HeadlessEngine* engine = nullptr;
// Frames the "stop" frame function lets pass before it returns true.
int framesBeforeStop = 0;
// Values the callbacks read from the engine.
std::vector<float> timesSeen;
std::vector<int> keysSeen;

// Plain frame function: records itself.
bool frameA() {
    calls.push_back("frameA");
    return false;
}

// Render function of screen A.
bool renderA() {
    calls.push_back("renderA");
    return false;
}

// Frame function of screen B.
bool frameB() {
    calls.push_back("frameB");
    return false;
}

// Render function of screen B.
bool renderB() {
    calls.push_back("renderB");
    return false;
}

// Switches to screen B from inside the frame, as a screen change does.
bool frameSwitchToB() {
    calls.push_back("frameSwitch");
    engine->System_SetState(HGE_FRAMEFUNC, frameB);
    engine->System_SetState(HGE_RENDERFUNC, renderB);
    return false;
}

// Returns true once framesBeforeStop frames have passed.
bool frameStop() {
    calls.push_back("frameStop");
    return framesBeforeStop-- <= 0;
}

// Reads the clock twice and the pressed key.
bool frameReadClockAndKey() {
    timesSeen.push_back(engine->Timer_GetTime());
    timesSeen.push_back(engine->Timer_GetTime());
    keysSeen.push_back(engine->Input_GetKey());
    return false;
}

// Reads the pressed key during rendering.
bool renderReadKey() {
    keysSeen.push_back(engine->Input_GetKey());
    return false;
}

// Draws a small scene with every kind of operation.
bool renderScene() {
    engine->Gfx_BeginScene();
    engine->Gfx_SetClipping(0, 0, 800, 600);
    engine->Gfx_Clear(0);
    engine->Gfx_SetClipping(200, 0, 400, 600);
    engine->Gfx_RenderLine(1, 2, 3, 4, 0xFF00FF00, 0.5f);
    engine->Gfx_RenderLine(5, 6, 7, 8, 0x80FFFFFF, 0.5f);
    engine->Gfx_EndScene();
    return false;
}

// Fresh callback records and an engine for each test.
class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        timesSeen.clear();
        keysSeen.clear();
        framesBeforeStop = 0;
        engine = &hge;
    }
    void TearDown() override { engine = nullptr; }
    HeadlessEngine hge;
};

}  // namespace

TEST_F(HeadlessTest, FrameRunsBeforeRender) {
    hge.System_SetState(HGE_FRAMEFUNC, frameA);
    hge.System_SetState(HGE_RENDERFUNC, renderA);
    EXPECT_FALSE(hge.runFrame());
    EXPECT_FALSE(hge.runFrame());
    EXPECT_EQ(calls, (std::vector<std::string>{"frameA", "renderA", "frameA", "renderA"}));
    EXPECT_EQ(hge.framesRun, 2);
}

TEST_F(HeadlessTest, ScreenSwitchInFrameDrawsWithTheNewRenderFunction) {
    hge.System_SetState(HGE_FRAMEFUNC, frameSwitchToB);
    hge.System_SetState(HGE_RENDERFUNC, renderA);
    hge.runFrame();
    hge.runFrame();
    EXPECT_EQ(calls,
              (std::vector<std::string>{"frameSwitch", "renderB", "frameB", "renderB"}));
}

TEST_F(HeadlessTest, StartRunsUntilAFrameReturnsTrueAndSkipsThatFramesRender) {
    framesBeforeStop = 2;
    hge.System_SetState(HGE_FRAMEFUNC, frameStop);
    hge.System_SetState(HGE_RENDERFUNC, renderA);
    EXPECT_TRUE(hge.System_Start());
    EXPECT_EQ(calls, (std::vector<std::string>{"frameStop", "renderA", "frameStop", "renderA",
                                               "frameStop"}));
    EXPECT_EQ(hge.framesRun, 3);
}

TEST_F(HeadlessTest, BeforeFrameScriptsEachFrameAndCanEndTheRun) {
    hge.System_SetState(HGE_FRAMEFUNC, frameReadClockAndKey);
    int scripted = 0;
    hge.beforeFrame = [&scripted](HeadlessEngine& e) {
        if (scripted == 3) return false;
        ++scripted;
        e.time += 0.25;
        return true;
    };
    EXPECT_TRUE(hge.System_Start());
    EXPECT_EQ(hge.framesRun, 3);
    EXPECT_EQ(timesSeen, (std::vector<float>{0.25f, 0.25f, 0.5f, 0.5f, 0.75f, 0.75f}));
}

TEST_F(HeadlessTest, StartWithoutFrameFunctionRunsNothing) {
    hge.System_SetState(HGE_RENDERFUNC, renderA);
    EXPECT_FALSE(hge.System_Start());
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(hge.framesRun, 0);
}

TEST_F(HeadlessTest, ClockIsTheVirtualTimeAsFloat) {
    hge.time = 1.0 / 3.0;
    hge.System_SetState(HGE_FRAMEFUNC, frameReadClockAndKey);
    hge.runFrame();
    ASSERT_EQ(timesSeen.size(), 2u);
    EXPECT_EQ(timesSeen[0], static_cast<float>(1.0 / 3.0));
    EXPECT_EQ(timesSeen[0], timesSeen[1]);
    hge.fps = 57;
    EXPECT_EQ(hge.Timer_GetFPS(), 57);
}

TEST_F(HeadlessTest, SceneOperationsAreRecordedAndClearedAtBegin) {
    hge.System_SetState(HGE_FRAMEFUNC, frameA);
    hge.System_SetState(HGE_RENDERFUNC, renderScene);
    hge.runFrame();
    using K = SceneOp::Kind;
    ASSERT_EQ(hge.ops.size(), 7u);
    const std::vector<K> kinds{K::Begin, K::Clip, K::Clear, K::Clip, K::Line, K::Line, K::End};
    for (size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(hge.ops[i].kind, kinds[i]) << i;
    EXPECT_EQ(hge.ops[3].clipX, 200);
    EXPECT_EQ(hge.ops[3].clipW, 400);
    EXPECT_EQ(hge.ops[3].clipH, 600);
    EXPECT_EQ(hge.ops[4].x1, 1.0f);
    EXPECT_EQ(hge.ops[4].y2, 4.0f);
    EXPECT_EQ(hge.ops[4].color, 0xFF00FF00u);
    EXPECT_EQ(hge.ops[4].z, 0.5f);
    EXPECT_EQ(hge.ops[5].color, 0x80FFFFFFu);
    EXPECT_EQ(hge.linesDrawn, 2u);
    // A second frame holds only its own scene.
    hge.runFrame();
    EXPECT_EQ(hge.ops.size(), 7u);
    EXPECT_EQ(hge.linesDrawn, 2u);
}

TEST_F(HeadlessTest, WithoutRecordingOnlyLinesAreCounted) {
    hge.recordOps = false;
    hge.System_SetState(HGE_FRAMEFUNC, frameA);
    hge.System_SetState(HGE_RENDERFUNC, renderScene);
    hge.runFrame();
    hge.runFrame();
    EXPECT_TRUE(hge.ops.empty());
    EXPECT_EQ(hge.linesDrawn, 2u);
}

TEST_F(HeadlessTest, KeysHeldAndPressedFollowTheScript) {
    hge.keyHeld[keys::letterR] = true;
    EXPECT_TRUE(hge.Input_GetKeyState(keys::letterR));
    EXPECT_FALSE(hge.Input_GetKeyState(keys::escape));
    EXPECT_FALSE(hge.Input_GetKeyState(-1));
    EXPECT_FALSE(hge.Input_GetKeyState(256));
    EXPECT_EQ(hge.Input_GetKeyName(keys::up), "Up");

    // The pressed key is seen by frame and render of the next frame only.
    hge.System_SetState(HGE_FRAMEFUNC, frameReadClockAndKey);
    hge.System_SetState(HGE_RENDERFUNC, renderReadKey);
    hge.keyPressed = keys::f9;
    hge.runFrame();
    EXPECT_EQ(hge.keyPressed, 0);
    hge.runFrame();
    EXPECT_EQ(keysSeen, (std::vector<int>{keys::f9, keys::f9, 0, 0}));
}

TEST_F(HeadlessTest, StatesAreRecorded) {
    hge.System_SetState(HGE_USESOUND, false);
    hge.System_SetState(HGE_WINDOWED, true);
    hge.System_SetState(HGE_SHOWSPLASH, false);
    hge.System_SetState(HGE_SCREENWIDTH, 800);
    hge.System_SetState(HGE_SCREENHEIGHT, 600);
    hge.System_SetState(HGE_SCREENBPP, 32);
    hge.System_SetState(HGE_TITLE, "Quillfray");
    EXPECT_FALSE(hge.useSound);
    EXPECT_TRUE(hge.windowed);
    EXPECT_FALSE(hge.showSplash);
    EXPECT_EQ(hge.screenWidth, 800);
    EXPECT_EQ(hge.screenHeight, 600);
    EXPECT_EQ(hge.screenBpp, 32);
    EXPECT_EQ(hge.title, "Quillfray");
    hge.System_SetState(HGE_TITLE, "60 / 143 / 5210 / 1345");
    EXPECT_EQ(hge.title, "60 / 143 / 5210 / 1345");
}

TEST_F(HeadlessTest, LifecycleAndScriptedInitiateFailure) {
    EXPECT_TRUE(hge.System_Initiate());
    EXPECT_TRUE(hge.initiated);
    hge.System_Shutdown();
    hge.Release();
    EXPECT_TRUE(hge.shutDown);
    EXPECT_TRUE(hge.released);

    HeadlessEngine failing;
    failing.initiateFails = true;
    failing.errorText = "no display";
    EXPECT_FALSE(failing.System_Initiate());
    EXPECT_FALSE(failing.initiated);
    EXPECT_EQ(failing.System_GetErrorMessage(), "no display");
}

TEST(ScriptedJoystick, AbsentJoystickCannotBeOpened) {
    ScriptedJoystick joy;
    EXPECT_TRUE(joy.init());
    EXPECT_EQ(joy.numJoysticks(), 0);
    EXPECT_FALSE(joy.open(0));
    EXPECT_FALSE(joy.opened(0));
}

TEST(ScriptedJoystick, PresentJoystickPlaysBackItsState) {
    ScriptedJoystick joy;
    joy.present = true;
    joy.hat = 1 | 2;
    joy.axes = {8193, -32768};
    joy.buttons = {false, true, false};
    EXPECT_EQ(joy.numJoysticks(), 1);
    EXPECT_FALSE(joy.open(1));
    EXPECT_TRUE(joy.open(0));
    EXPECT_TRUE(joy.opened(0));
    EXPECT_FALSE(joy.opened(1));
    joy.update();
    joy.update();
    EXPECT_EQ(joy.updates, 2);
    EXPECT_EQ(joy.getHat(0), 3);
    EXPECT_EQ(joy.getHat(1), 0);
    EXPECT_EQ(joy.getAxis(0), 8193);
    EXPECT_EQ(joy.getAxis(1), -32768);
    EXPECT_EQ(joy.getAxis(2), 0);
    EXPECT_EQ(joy.numButtons(), 3);
    EXPECT_FALSE(joy.getButton(0));
    EXPECT_TRUE(joy.getButton(1));
    EXPECT_FALSE(joy.getButton(3));
    EXPECT_FALSE(joy.getButton(-1));
    joy.close();
    EXPECT_FALSE(joy.opened(0));
}

TEST(NullJoystick, NothingIsPresent) {
    Joystick& joy = nullJoystick();
    EXPECT_TRUE(joy.init());
    EXPECT_EQ(joy.numJoysticks(), 0);
    EXPECT_FALSE(joy.open(0));
    EXPECT_FALSE(joy.opened(0));
    EXPECT_EQ(joy.getHat(0), 0);
    EXPECT_EQ(joy.getAxis(0), 0);
    EXPECT_EQ(joy.numButtons(), 0);
    EXPECT_FALSE(joy.getButton(0));
}

namespace {

// What a fill function saw: its calls, frames asked for, and whether the buffer came zeroed.
struct FillLog {
    int calls = 0;
    int frames = 0;
    bool zeroed = true;
};

// Checks the buffer is silent, then writes a tone of 0.25 into every sample.
void logFill(void* user, float* stereo, int frames) {
    auto* log = static_cast<FillLog*>(user);
    ++log->calls;
    log->frames = frames;
    for (int i = 0; i < frames * 2; ++i) {
        if (stereo[i] != 0.0f) log->zeroed = false;
        stereo[i] = 0.25f;
    }
}

}  // namespace

TEST(HeadlessAudio, PullAudioZeroesAndCallsFillAsADeviceWould) {
    HeadlessEngine audio;
    FillLog log;
    std::vector<float> buffer(2 * 512, 9.0f);
    audio.pullAudio(buffer.data(), 512);  // nothing started: silence
    EXPECT_EQ(buffer[0], 0.0f);
    EXPECT_EQ(buffer[1023], 0.0f);

    ASSERT_TRUE(audio.Audio_Start(logFill, &log));
    buffer.assign(buffer.size(), 9.0f);
    audio.pullAudio(buffer.data(), 512);
    audio.pullAudio(buffer.data(), 300);
    EXPECT_EQ(log.calls, 2);
    EXPECT_EQ(log.frames, 300);
    EXPECT_TRUE(log.zeroed);
    EXPECT_EQ(buffer[599], 0.25f);
    EXPECT_EQ(buffer[600], 0.25f);  // left from the first call: only 300 frames pulled

    audio.Audio_Pause(true);
    audio.pullAudio(buffer.data(), 512);
    EXPECT_EQ(log.calls, 2);
    EXPECT_EQ(buffer[1023], 0.0f);
    audio.Audio_Pause(false);
    audio.pullAudio(buffer.data(), 512);
    EXPECT_EQ(log.calls, 3);

    audio.System_Shutdown();  // closes the device too
    audio.pullAudio(buffer.data(), 512);
    EXPECT_EQ(log.calls, 3);
}
