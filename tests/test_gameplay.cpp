// The gameplay frame: the catch-up loop and its limit after a stall, the R restart (held
// or tapped), leaving with Escape, the stars, the stage timeline with its boss hold, the
// status line in the window title, and the sounds the step events start.
#include "defs/defs.h"
#include "input/input.h"
#include "script/script.h"
#include "tests/runtime_helpers.h"
#include "tests/support/shell_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using testing_support::actorsWithModel;
using testing_support::placedActor;
using testing_support::ShellWorld;

namespace {

// A level whose frame 300 starts a boss fight of 1000 hp and 600 steps, and whose frame
// 301 spawns a marker; a boss part that reports its timeout with another marker.
constexpr std::string_view bossLevel = R"(
script noop { }
script cleared { }
model core { hitc 0 0 0.02 }
model needle { line 0 -0.02 0 0.02 }
model marker { }
model timeoutmark { }
script timedout { command spawn { model timeoutmark } }
stage 1000 {
  event 300 { command boss { hp 1000 time 600 } }
  event 301 { command spawn { model marker } }
}
)";

// A level whose boss names no time limit.
constexpr std::string_view endlessBossLevel = R"(
script noop { }
script cleared { }
model marker { }
stage 10 {
  event 0 { command boss { hp 5 } }
  event 1 { command spawn { model marker } }
}
)";

class Gameplay : public ::testing::Test {
protected:
    ShellWorld world;

    // Starts gameplay at engine time t with the level loaded.
    void start(std::string_view level, double t = 0.0) {
        world.load(level);
        world.engine.time = t;
        enterGameplay();
    }

    // Runs gameplay steps until Model `marker` first shows up; the step it appeared in.
    static int32_t stepOfFirst(int32_t marker, int32_t limit) {
        while (game.clock.frameCounter < limit) {
            const int32_t step = game.clock.frameCounter;
            gameplayStep();
            if (actorsWithModel(marker) > 0) return step;
        }
        return -1;
    }

    // A boss part of bar 1 that a strong shot at the same place destroys at once.
    static void placeBossAndShot() {
        Actor core = placedActor(0.5f, 0.5f, findModel("core"));
        core.owner = 2;
        core.flag = flags::hittable;
        core.boss = 1;
        core.hp = core.maxhp = 1000.0f;
        game.world.actors.push_back(core);
        Actor shot = placedActor(0.5f, 0.5f, findModel("needle"));
        shot.owner = 1;
        shot.hitrate = 1000.0f;
        game.world.actors.push_back(shot);
    }
};

}  // namespace

TEST_F(Gameplay, FrameAfterFiftyMillisecondsRunsThreeSteps) {
    start(bossLevel);
    EXPECT_EQ(world.engine.frameFunc, &gameplayFrame);
    EXPECT_EQ(world.engine.renderFunc, &gameplayRender);
    EXPECT_FALSE(world.frameAt(0.05));
    EXPECT_EQ(game.clock.frameCounter, 3);
    EXPECT_FALSE(world.frameAt(0.05));
    EXPECT_EQ(game.clock.frameCounter, 3);
    EXPECT_FALSE(world.frameAt(1.0));
    EXPECT_EQ(game.clock.frameCounter, 60);
}

TEST_F(Gameplay, HoldingRRestartsEveryFrameAndRunsNoStep) {
    ShellWorld::bind(Action::right, 0x27);
    start(bossLevel);
    world.frameAt(0.1);
    ASSERT_GT(game.clock.frameCounter, 0);
    world.hold(0x52);
    world.hold(0x27);
    for (int f = 1; f <= 5; ++f) {
        world.frameAt(0.1 + 0.05 * f);
        EXPECT_EQ(game.clock.frameCounter, 0);
        EXPECT_FLOAT_EQ(game.world.players[0].x, 0.5f);
        EXPECT_FLOAT_EQ(game.world.players[0].y, 1.25f);
        EXPECT_EQ(game.world.players[0].score, 0);
    }
}

TEST_F(Gameplay, ATapOfRBetweenTwoFramesRestarts) {
    start(bossLevel);
    world.frameAt(0.1);
    ASSERT_GT(game.clock.frameCounter, 0);
    world.engine.keyLatched[keys::letterR] = true;  // down and up again since the last frame
    world.frameAt(0.15);
    EXPECT_EQ(game.clock.frameCounter, 0);
    world.frameAt(0.19);  // the tap restarted once; the run goes on
    EXPECT_EQ(game.clock.frameCounter, 3);
}

TEST_F(Gameplay, AStallRunsAFewStepsAndSkipsTheRest) {
    app.shell.frameStepLimit = 5;
    start(bossLevel);
    world.frameAt(0.05);
    EXPECT_EQ(game.clock.frameCounter, 3);
    world.frameAt(3.05);  // three seconds stopped: five steps, not 180
    EXPECT_EQ(game.clock.frameCounter, 8);
    world.frameAt(3.06);  // one step a sixtieth again from the stall on
    EXPECT_EQ(game.clock.frameCounter, 9);
    // The demo behind the ship selection keeps the same limit.
    enterShipSelection();
    world.frameAt(100.0);
    EXPECT_EQ(game.clock.frameCounter, 5);
    world.frameAt(100.0 + 0.5 / 60.0);
    EXPECT_EQ(game.clock.frameCounter, 6);
}

TEST_F(Gameplay, EscapeLeavesAtOnceWithoutTheRemainingSteps) {
    world.joystick.present = true;
    world.joystick.isOpen = true;
    game.platform.joystickOpen = true;
    start(bossLevel);
    world.frameAt(0.05);
    EXPECT_EQ(world.joystick.updates, 3);
    // The next frame is due three more steps; Escape is seen in the first of them.
    world.hold(0x1B);
    EXPECT_FALSE(world.frameAt(0.1));
    EXPECT_EQ(world.joystick.updates, 3);  // neither the refresh nor the player's step ran
    EXPECT_EQ(game.clock.frameCounter, 0);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(world.engine.renderFunc, &shipSelectionRender);
    // Escape keeps its state across the switch.
    EXPECT_EQ(game.input.actionEdge[Held::exit], edge::pressed);
}

TEST_F(Gameplay, StarsScrollAndWrap) {
    start(bossLevel);
    Star& first = game.world.starField[0];
    first.x = 10.0f;
    first.y = 598.0f;
    first.speed = 2.0f;
    gameplayStep();
    EXPECT_FLOAT_EQ(first.y, 600.0f);  // exactly on the edge: still there
    EXPECT_FLOAT_EQ(first.x, 10.0f);
    Rng expected = game.rng;
    const int r = expected.next();
    gameplayStep();
    EXPECT_FLOAT_EQ(first.y, 0.0f);
    EXPECT_EQ(first.x, static_cast<float>(r) * 400.0f / 32767.0f);
    EXPECT_FLOAT_EQ(first.speed, 2.0f);
}

TEST_F(Gameplay, StarLayoutStaysInsideThePlayfield) {
    start(bossLevel);
    for (const Star& s : game.world.starField) {
        EXPECT_GE(s.x, 0.0f);
        EXPECT_LE(s.x, 400.0f);
        EXPECT_GE(s.y, 0.0f);
        EXPECT_LE(s.y, 600.0f);
        EXPECT_GE(s.speed, 0.005f);
        EXPECT_LE(s.speed, 4.005f);
    }
    // The first star takes the first three random values of the game's generator.
    resetGameState();
    resetAppState();
    game.platform.engine = &world.engine;
    Rng check;
    const int r1 = check.next();
    const int r2 = check.next();
    check.next();
    layOutStars();
    EXPECT_EQ(game.world.starField[0].x, static_cast<float>(r1) * 400.0f / 32767.0f);
    EXPECT_FLOAT_EQ(game.world.starField[0].y, static_cast<float>(r2) * 600.0f / 32767.0f);
    Rng after;
    for (int i = 0; i < 480; ++i) after.next();
    EXPECT_EQ(game.rng.state, after.state);
}

TEST_F(Gameplay, BossNeverDestroyedHoldsUntilItsTimeRunsOut) {
    start(bossLevel);
    const int32_t marker = findModel("marker");
    const int32_t timeoutMark = findModel("timeoutmark");
    while (game.clock.frameCounter <= 300) gameplayStep();
    ASSERT_EQ(game.world.bossBars.size(), 1u);
    EXPECT_TRUE(game.clock.holdActive);
    EXPECT_EQ(game.clock.holdLength, 600);
    Actor part = placedActor(0.5f, 0.3f, findModel("core"));
    part.owner = 2;
    part.boss = 1;
    part.events[slotOf(EventCode::onbosstimeout)] = findScript("timedout");
    game.world.actors.push_back(part);

    while (game.clock.frameCounter < 900) gameplayStep();
    EXPECT_EQ(actorsWithModel(timeoutMark), 0u);
    gameplayStep();  // step 900: the time limit ends the boss
    EXPECT_EQ(actorsWithModel(timeoutMark), 1u);
    EXPECT_EQ(actorsWithModel(findModel("core")), 0u);
    EXPECT_TRUE(game.world.bossBars.empty());
    EXPECT_FALSE(game.clock.holdActive);
    EXPECT_EQ(game.clock.holdTotal, 600);
    EXPECT_EQ(actorsWithModel(marker), 0u);
    EXPECT_EQ(stepOfFirst(marker, 1000), 901);
}

TEST_F(Gameplay, BossDestroyedEndsTheHoldInTheSameStep) {
    start(bossLevel);
    const int32_t marker = findModel("marker");
    while (game.clock.frameCounter < 451) gameplayStep();
    EXPECT_EQ(game.clock.holdCounter, 150);
    placeBossAndShot();
    EXPECT_EQ(stepOfFirst(marker, 1000), 451);
    EXPECT_TRUE(game.world.bossBars.empty());
    EXPECT_EQ(game.clock.holdTotal, 150);
}

TEST_F(Gameplay, BossWithoutTimeHoldsFor36000Steps) {
    start(endlessBossLevel);
    EXPECT_EQ(stepOfFirst(findModel("marker"), 40000), 36001);
    EXPECT_EQ(game.clock.holdTotal, 36000);
}

TEST_F(Gameplay, NothingRunsPastTheLevelsEnd) {
    start(endlessBossLevel);
    game.defs.timelineLength = 1;  // the boss frame is the level's last
    for (int s = 0; s < 50; ++s) gameplayStep();
    EXPECT_TRUE(game.clock.holdActive);
    EXPECT_EQ(game.clock.holdCounter, 0);
    EXPECT_EQ(actorsWithModel(findModel("marker")), 0u);
}

TEST_F(Gameplay, MultiplierGrowsEveryStep) {
    start(endlessBossLevel);
    // The product with the decimal 1.0005 (in double) rounded to float at every step,
    // which parts from multiplying by the float 1.0005f at the very first step.
    float expected = 0.1f;
    for (int s = 0; s < 600; ++s) {
        gameplayStep();
        expected = static_cast<float>(static_cast<double>(expected) * 1.0005);
        ASSERT_EQ(game.world.players[0].scoreMultiplier, expected) << "step " << s;
    }
    EXPECT_EQ(static_cast<float>(static_cast<double>(0.1f) * 1.0005), 0.10005f);
    EXPECT_NE(0.1f * 1.0005f, 0.10005f);
}

TEST(StatusLine, WrittenToTheWindowTitle) {
    ShellWorld world;
    rt::addPlayer(0.5f, 1.25f, 1.345f);
    game.clock.frameCounter = 5210;
    for (int k = 0; k < 143; ++k) rt::addActor(rt::actorAt(0.5f, 0.5f));
    EXPECT_EQ(statusLine(), "60 / 143 / 5210 / 1345");
    showStatusLine();
    EXPECT_EQ(world.engine.title, "60 / 143 / 5210 / 1345");
    game.platform.engine = nullptr;
    game.world.players.clear();
    game.world.actors.clear();
    EXPECT_EQ(statusLine(), "0 / 0 / 5210 / 0");
    showStatusLine();  // no engine, no Player: nothing to write, nothing breaks
}

TEST(Pause, LosingTheFocusPausesAndResumingMovesTheClockOn) {
    ShellWorld world;
    world.load("script noop { }\n");
    enterGameplay();
    world.frameAt(0.01);
    ASSERT_EQ(game.clock.frameCounter, 1);
    world.engine.focusLost = true;
    world.frameAt(0.02);  // the window lost the focus: paused, no step
    world.frameAt(10.0);
    EXPECT_TRUE(app.shell.paused);
    EXPECT_EQ(game.clock.frameCounter, 1);
    world.hold(keys::letterP);
    world.frameAt(10.01);  // resumed in this frame, which runs no step
    EXPECT_FALSE(app.shell.paused);
    EXPECT_EQ(game.clock.frameCounter, 1);
    world.hold(keys::letterP, false);
    world.frameAt(10.02);  // the 9.99 paused seconds do not count: one step, no burst
    EXPECT_EQ(game.clock.frameCounter, 2);
}

TEST(Pause, UnpluggingThePadPausesWithANoteAndStartResumesOncePluggedIn) {
    ShellWorld world;
    world.load("script noop { }\n");
    world.joystick.present = world.joystick.pad = true;
    enterGameplay();
    world.frameAt(0.01);  // taken up within the frame
    ASSERT_TRUE(game.platform.joystickOpen);
    EXPECT_NE(app.shell.padNote.find("Scripted pad"), std::string::npos);
    world.joystick.present = false;  // unplugged
    world.frameAt(0.03);
    EXPECT_TRUE(app.shell.paused);
    EXPECT_FALSE(game.platform.joystickOpen);
    EXPECT_NE(app.shell.padNote.find("disconnected"), std::string::npos);
    const int32_t steps = game.clock.frameCounter;
    world.frameAt(5.0);
    EXPECT_EQ(game.clock.frameCounter, steps);
    world.joystick.present = true;
    world.frameAt(5.01);
    ASSERT_TRUE(game.platform.joystickOpen);
    world.joystick.padButtons[static_cast<size_t>(PadButton::start)] = true;
    world.frameAt(5.02);  // resumed in this frame, which runs no step
    EXPECT_FALSE(app.shell.paused);
    EXPECT_TRUE(app.shell.padNote.empty());
    world.joystick.padButtons[static_cast<size_t>(PadButton::start)] = false;
    world.frameAt(5.03);
    EXPECT_EQ(game.clock.frameCounter, steps + 1);
}

TEST(Pause, AHitRumblesThePadOnlyWhenRumbleIsOn) {
    ShellWorld world;
    world.joystick.present = world.joystick.pad = true;
    game.platform.joystickOpen = world.joystick.open(0);
    game.events.begin(0);
    game.events.add({StepEventKind::PlayerHit, 0, 0, 0.5f, 0.5f, 0.0f});
    rumbleOnHit();
    EXPECT_EQ(world.joystick.rumbles, 0);
    game.input.padRumble = true;
    rumbleOnHit();
    EXPECT_EQ(world.joystick.rumbles, 1);
}

TEST(GameplaySound, StepEventsStartTheSoundsOfTheirNames) {
    resetGameState();
    resetAppState();
    for (const char* name : {"enemy_die", "enemy_die_large", "graze", "unheard"})
        ASSERT_TRUE(appendSound(game.defs, SoundDef{name, SoundParams{}}));
    loadSounds();
    // Only sounds an effect names are rendered.
    EXPECT_FALSE(app.sound.samples[0].empty());
    EXPECT_TRUE(app.sound.samples[3].empty());
    // A small kill at the left edge, a large one, a boss end (no sound of its name).
    game.events.begin(0);
    game.events.add({StepEventKind::EnemyKilled, 0, 0, 0.0f, 0.5f, 10.0f});
    hearStepEvents();
    EXPECT_EQ(app.sound.clock, 800);
    EXPECT_EQ(app.sound.mixer.voicesOf(0), 1);
    EXPECT_EQ(app.sound.mixer.activeVoices(), 1);
    std::vector<float> frames(2 * 800);
    fillAudio(nullptr, frames.data(), 800);
    float left = 0, right = 0;
    for (size_t i = 0; i < frames.size(); i += 2) {
        left = std::max(left, std::abs(frames[i]));
        right = std::max(right, std::abs(frames[i + 1]));
    }
    EXPECT_GT(left, 0.01f);
    EXPECT_LT(right, left * 0.01f);  // panned to the left
    game.events.begin(1);
    game.events.add({StepEventKind::EnemyKilled, 0, 0, 0.5f, 0.5f, largeKillHp});
    game.events.add({StepEventKind::BossEnd, -1, -1, 0, 0, 1.0f});
    hearStepEvents();
    EXPECT_EQ(app.sound.mixer.voicesOf(1), 1);
    EXPECT_EQ(app.sound.mixer.activeVoices(), 2);
    // Forty ten-second sounds that commands name: rendering stops at the budget, and the
    // sounds past it are silent.
    resetGameState();
    SoundParams longest;
    longest.sustain = longest.decay = 5;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "long" + std::to_string(i);
        ASSERT_TRUE(appendSound(game.defs, SoundDef{name, longest}));
        game.defs.soundCommandNames.push_back(name);
    }
    loadSounds();
    size_t rendered = 0;
    for (const auto& samples : app.sound.samples) rendered += samples.size();
    EXPECT_LE(rendered, SoundState::maxRenderedSamples);
    EXPECT_GT(rendered, SoundState::maxRenderedSamples - 480000);
    EXPECT_EQ(app.sound.commandSounds.front(), 0);
    EXPECT_EQ(app.sound.commandSounds.back(), -1);
    resetAppState();
    resetGameState();
}
