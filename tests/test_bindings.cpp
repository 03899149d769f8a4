// Control mapping: held and edge arrays from keys, joystick buttons, hat and axes.
#include "input/input.h"
#include "platform/headless.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

namespace {

// A fresh game state with the engine and a present joystick of 8 buttons, which the
// game holds open or not.
void startWith(HeadlessEngine& engine, ScriptedJoystick& pad, bool joystickOpen) {
    resetGameState();
    pad.present = true;
    pad.buttons.assign(8, false);
    pad.open(0);
    game.shell.engine = &engine;
    game.shell.joystick = &pad;
    game.shell.joystickOpen = joystickOpen;
}

// Binds a key to an action.
void bindKey(int actionNumber, uint16_t key) {
    game.input.bindingTable[static_cast<size_t>(actionNumber)].keys.push_back(key);
}

}  // namespace

TEST(Bindings, FireHeldThreeStepsThenReleased) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(action::fire, 90);
    engine.keyHeld[90] = true;
    std::vector<int32_t> seen;
    for (int step = 0; step < 3; ++step) {
        readInput();
        seen.push_back(game.input.actionEdge[held::fire]);
        EXPECT_EQ(game.input.actionHeld[held::fire], 1);
    }
    engine.keyHeld[90] = false;
    readInput();
    seen.push_back(game.input.actionEdge[held::fire]);
    EXPECT_EQ(game.input.actionHeld[held::fire], 0);
    readInput();
    seen.push_back(game.input.actionEdge[held::fire]);
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 2, 3, 0}));
}

TEST(Bindings, ReleasedThenPressedAgainGivesPressed) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(action::bomb, 88);
    engine.keyHeld[88] = true;
    readInput();
    engine.keyHeld[88] = false;
    readInput();
    EXPECT_EQ(game.input.actionEdge[held::bomb], edge::released);
    engine.keyHeld[88] = true;
    readInput();
    EXPECT_EQ(game.input.actionEdge[held::bomb], edge::pressed);
}

TEST(Bindings, AxesCountOnlyStrictlyBeyondThreshold) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    pad.axes = {8193, 0};
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::directions], 2);
    EXPECT_EQ(game.input.actionHeld[held::right], 1);
    pad.axes = {8192, -8192};
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::directions], 0);
    pad.axes = {-8193, -8193};
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::directions], 8 | 1);
    pad.axes = {0, 8193};
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::directions], 4);
    EXPECT_EQ(game.input.actionHeld[held::down], 1);
}

TEST(Bindings, HatAndKeysCombine) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    bindKey(action::down, 40);
    pad.hat = 1;
    engine.keyHeld[40] = true;
    readInput();
    const auto& h = game.input.actionHeld;
    EXPECT_EQ(h[held::directions], 5);
    EXPECT_EQ(h[held::up], 1);
    EXPECT_EQ(h[held::down], 1);
    EXPECT_EQ(h[held::right], 0);
    EXPECT_EQ(h[held::left], 0);
}

TEST(Bindings, KeyBoundToTwoActionsHoldsBoth) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(action::slowdown, 16);
    bindKey(action::fire, 16);
    engine.keyHeld[16] = true;
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::slowdown], 1);
    EXPECT_EQ(game.input.actionHeld[held::fire], 1);
    EXPECT_EQ(game.input.actionHeld[held::bomb], 0);
}

TEST(Bindings, JoystickButtonsCountOnlyWhenOpen) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    game.input.bindingTable[action::power].buttons.push_back(3);
    pad.buttons[3] = true;
    pad.hat = 2;
    pad.axes = {-30000, 30000};
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::directions], 0);
    EXPECT_EQ(game.input.actionHeld[held::power], 0);
    game.shell.joystickOpen = true;
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::power], 1);
    EXPECT_EQ(game.input.actionEdge[held::power], edge::pressed);
    EXPECT_EQ(game.input.actionHeld[held::directions], 2 | 8 | 4);
}

TEST(Bindings, NegativeButtonNumbersAreNeverPressed) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    game.input.bindingTable[action::fire].buttons.push_back(-56);
    pad.buttons.assign(8, true);
    EXPECT_FALSE(actionActive(action::fire));
    EXPECT_FALSE(actionActive(-1));
    EXPECT_FALSE(actionActive(16));
}

TEST(Bindings, FixedActionsAndUnusedEntries) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(action::keyConfig, 0x78);
    bindKey(action::exit, 0x1B);
    for (int a = 8; a <= 13; ++a) bindKey(a, 65);
    engine.keyHeld[0x78] = engine.keyHeld[0x1B] = engine.keyHeld[65] = true;
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::keyConfig], 1);
    EXPECT_EQ(game.input.actionHeld[held::exit], 1);
    EXPECT_EQ(game.input.actionEdge[held::exit], edge::pressed);
    for (size_t k = 9; k <= 13; ++k) {
        EXPECT_EQ(game.input.actionHeld[k], 0);
        EXPECT_EQ(game.input.actionEdge[k], 0);
    }
}

TEST(Bindings, NoEngineMeansNoKeyHeld) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(action::fire, 90);
    engine.keyHeld[90] = true;
    game.shell.engine = nullptr;
    readInput();
    EXPECT_EQ(game.input.actionHeld[held::fire], 0);
}
