// Control mapping: held and edge arrays from keys, joystick buttons, hat and axes, a
// pad's standard layout, its own pad buttons and its stick's dead zone, and touch.
#include "input/input.h"
#include "platform/headless.h"
#include "script/script.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

// Binding rows and action-array entries number the same actions differently, so an index
// of the other kind, or a plain number, must not open either array; event slots are
// fired by event code only.
template <class Array, class Index>
concept OpensWith = requires(Array array, Index index) { array[index]; };
static_assert(OpensWith<BindingTable, Action> && OpensWith<ActionStates, Held>);
static_assert(!OpensWith<BindingTable, Held> && !OpensWith<ActionStates, Action>);
static_assert(!OpensWith<BindingTable, int> && !OpensWith<ActionStates, size_t>);
static_assert(!std::is_invocable_v<decltype(fireEvent), Actor&, int, int32_t>);

// A fresh game state with the engine and a present joystick of 8 buttons, which the
// game holds open or not.
void startWith(HeadlessEngine& engine, ScriptedJoystick& pad, bool joystickOpen) {
    resetGameState();
    pad.present = true;
    pad.buttons.assign(8, false);
    pad.open(0);
    game.platform.engine = &engine;
    game.platform.joystick = &pad;
    game.platform.joystickOpen = joystickOpen;
}

// Binds a key to an action.
void bindKey(Action action, uint16_t key) {
    game.input.bindingTable[action].keys.push_back(key);
}

}  // namespace

TEST(Bindings, FireHeldThreeStepsThenReleased) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(Action::fire, 90);
    engine.keyHeld[90] = true;
    std::vector<int32_t> seen;
    for (int step = 0; step < 3; ++step) {
        readInput();
        seen.push_back(game.input.actionEdge[Held::fire]);
        EXPECT_EQ(game.input.actionHeld[Held::fire], 1);
    }
    engine.keyHeld[90] = false;
    readInput();
    seen.push_back(game.input.actionEdge[Held::fire]);
    EXPECT_EQ(game.input.actionHeld[Held::fire], 0);
    readInput();
    seen.push_back(game.input.actionEdge[Held::fire]);
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 2, 3, 0}));
}

TEST(Bindings, ReleasedThenPressedAgainGivesPressed) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(Action::bomb, 88);
    engine.keyHeld[88] = true;
    readInput();
    engine.keyHeld[88] = false;
    readInput();
    EXPECT_EQ(game.input.actionEdge[Held::bomb], edge::released);
    engine.keyHeld[88] = true;
    readInput();
    EXPECT_EQ(game.input.actionEdge[Held::bomb], edge::pressed);
}

TEST(Bindings, AxesCountOnlyStrictlyBeyondThreshold) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    pad.axes = {8193, 0};
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 2);
    EXPECT_EQ(game.input.actionHeld[Held::right], 1);
    pad.axes = {8192, -8192};
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 0);
    pad.axes = {-8193, -8193};
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 8 | 1);
    pad.axes = {0, 8193};
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 4);
    EXPECT_EQ(game.input.actionHeld[Held::down], 1);
}

TEST(Bindings, HatAndKeysCombine) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    bindKey(Action::down, 40);
    pad.hat = 1;
    engine.keyHeld[40] = true;
    readInput();
    const auto& h = game.input.actionHeld;
    EXPECT_EQ(h[Held::directions], 5);
    EXPECT_EQ(h[Held::up], 1);
    EXPECT_EQ(h[Held::down], 1);
    EXPECT_EQ(h[Held::right], 0);
    EXPECT_EQ(h[Held::left], 0);
}

TEST(Bindings, KeyBoundToTwoActionsHoldsBoth) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(Action::slowdown, 16);
    bindKey(Action::fire, 16);
    engine.keyHeld[16] = true;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::slowdown], 1);
    EXPECT_EQ(game.input.actionHeld[Held::fire], 1);
    EXPECT_EQ(game.input.actionHeld[Held::bomb], 0);
}

TEST(Bindings, JoystickButtonsCountOnlyWhenOpen) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    game.input.bindingTable[Action::power].buttons.push_back(3);
    pad.buttons[3] = true;
    pad.hat = 2;
    pad.axes = {-30000, 30000};
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 0);
    EXPECT_EQ(game.input.actionHeld[Held::power], 0);
    game.platform.joystickOpen = true;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::power], 1);
    EXPECT_EQ(game.input.actionEdge[Held::power], edge::pressed);
    EXPECT_EQ(game.input.actionHeld[Held::directions], 2 | 8 | 4);
}

TEST(PadBindings, TheLayoutActsOnRowsWithoutButtonsAndRawNumbersKeepTheirRows) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    pad.pad = true;
    game.input.bindingTable[Action::bomb].buttons.push_back(3);  // raw 3 bombs, not B
    game.input.bindingTable[Action::power].pads.push_back(static_cast<uint8_t>(PadButton::leftShoulder));
    pad.padButtons[static_cast<size_t>(PadButton::a)] = true;
    pad.padButtons[static_cast<size_t>(PadButton::b)] = true;
    pad.padButtons[static_cast<size_t>(PadButton::x)] = true;
    pad.padButtons[static_cast<size_t>(PadButton::dpRight)] = true;
    pad.padButtons[static_cast<size_t>(PadButton::rightShoulder)] = true;
    readInput();
    const auto& h = game.input.actionHeld;
    EXPECT_EQ(h[Held::fire], 1);
    EXPECT_EQ(h[Held::right], 1);
    EXPECT_EQ(h[Held::slowdown], 1);
    EXPECT_EQ(h[Held::bomb], 0) << "the row holds raw button 3";
    EXPECT_EQ(h[Held::power], 0) << "the row holds LB, not the layout's X";
    pad.buttons[3] = true;
    pad.padButtons[static_cast<size_t>(PadButton::leftShoulder)] = true;
    readInput();
    EXPECT_EQ(h[Held::bomb], 1);
    EXPECT_EQ(h[Held::power], 1);
    EXPECT_TRUE(actionActive(Action::pause) == false);
    pad.padButtons[static_cast<size_t>(PadButton::start)] = true;
    EXPECT_TRUE(actionActive(Action::pause));
    EXPECT_EQ(bindingText(Action::fire), "(A)");
    EXPECT_EQ(bindingText(Action::slowdown), "(RB),(Y)");
    EXPECT_EQ(bindingText(Action::power), "LB");
    EXPECT_EQ(bindingText(Action::bomb), "J3");
    pad.pad = false;  // a raw joystick: no layout, no pad buttons
    readInput();
    EXPECT_EQ(h[Held::fire], 0);
    EXPECT_EQ(h[Held::power], 0);
    EXPECT_EQ(bindingText(Action::fire), "");
}

TEST(PadBindings, TheStickCountsStrictlyPastTheDeadZoneAndRawAxesDoNotCount) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    pad.pad = true;
    pad.axes = {30000, 30000};  // a pad's raw axes: not read
    const int edge = 32767 / 4;  // 25 %: 8191
    pad.padAxes[0] = edge;
    pad.padAxes[1] = -edge;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 0);
    pad.padAxes[0] = edge + 1;
    pad.padAxes[1] = -(edge + 1);
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 2 | 1);
    game.input.padDeadZone = 50;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 0);
    EXPECT_EQ(stickDirections(-32768, 32767, 95), 8 | 4);
    EXPECT_EQ(stickDirections(1, 0, 0), 2);
}

TEST(PadNames, ButtonsAndAxesByTheirMappingNamesAndLabels) {
    for (int b = 0; b < padButtonCount; ++b) {
        const auto button = static_cast<PadButton>(b);
        EXPECT_EQ(padButtonFromId(padButtonId(button)), button);
    }
    EXPECT_EQ(padButtonLabel(PadButton::leftShoulder), "LB");
    EXPECT_EQ(padButtonLabel(PadButton::start), "Start");
    EXPECT_EQ(padAxisFromId("lefty"), PadAxis::leftY);
    EXPECT_FALSE(padButtonFromId("A"));
    EXPECT_FALSE(padAxisFromId("leftz"));
}

TEST(PadMappings, GoodLinesReachTheLayerAndBadOnesWarnUpToTheCap) {
    ScriptedJoystick layer;
    const std::string good = "03000000de280000ff11000001000000,Steam Virtual Gamepad,a:b0,b:b1,";
    std::string text = "# a comment\n\n" + good + "\r\n";
    text += "xyz,Bad GUID,a:b0,\n";
    text += "03000000de280000ff11000001000000,,a:b0,\n";
    text += "03000000de280000ff11000001000000,No fields\n";
    text += std::string(100000, 'x') + "\n";
    text += std::string("03000000de280000ff11000001000000,Nul\0,a:b0,\n", 44);
    text += "03000000de280000ff11000001000000,Seventh,a:b0\n";
    const MappingReport report = addPadMappings(text, "db.txt", layer);
    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(report.refused, 5);
    ASSERT_EQ(report.warnings.size(), 5u);
    EXPECT_EQ(report.warnings[0], "db.txt:4: mapping skipped: does not start with a 32-digit hex GUID");
    EXPECT_NE(report.warnings[3].find("longer than"), std::string::npos);
    EXPECT_EQ(report.warningsLeftOut, 0);
    ASSERT_EQ(layer.mappings.size(), 2u);
    EXPECT_EQ(layer.mappings[0], good);
}

TEST(Bindings, NegativeButtonNumbersAreNeverPressed) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    game.input.bindingTable[Action::fire].buttons.push_back(-56);
    pad.buttons.assign(8, true);
    EXPECT_FALSE(actionActive(Action::fire));
    EXPECT_FALSE(actionActive(static_cast<Action>(-1)));
    EXPECT_FALSE(actionActive(static_cast<Action>(16)));
}

TEST(Bindings, FixedActionsAndUnusedEntries) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(Action::keyConfig, 0x78);
    bindKey(Action::exit, 0x1B);
    for (int a = 8; a <= 13; ++a) bindKey(static_cast<Action>(a), 65);
    engine.keyHeld[0x78] = engine.keyHeld[0x1B] = engine.keyHeld[65] = true;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::keyConfig], 1);
    EXPECT_EQ(game.input.actionHeld[Held::exit], 1);
    EXPECT_EQ(game.input.actionEdge[Held::exit], edge::pressed);
    for (int k = 9; k <= 13; ++k) {
        EXPECT_EQ(game.input.actionHeld[static_cast<Held>(k)], 0);
        EXPECT_EQ(game.input.actionEdge[static_cast<Held>(k)], 0);
    }
}

TEST(Bindings, NoEngineMeansNoKeyHeld) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    bindKey(Action::fire, 90);
    engine.keyHeld[90] = true;
    game.platform.engine = nullptr;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::fire], 0);
}

TEST(Bindings, TapsInsideOneFrameCountForOneSample) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, true);
    bindKey(Action::fire, 90);
    game.input.bindingTable[Action::bomb].buttons.push_back(2);
    bindKey(Action::slowdown, 16);
    pad.buttonLatched.assign(8, false);
    // Fire's key and bomb's button go down and up again before the sample; Shift is held.
    engine.keyLatched[90] = true;
    pad.buttonLatched[2] = true;
    engine.keyHeld[16] = true;
    std::vector<int32_t> fire, bomb, slow;
    for (int sample = 0; sample < 3; ++sample) {
        readInput();
        const auto& h = game.input.actionHeld;
        const auto& e = game.input.actionEdge;
        fire.insert(fire.end(), {h[Held::fire], e[Held::fire]});
        bomb.insert(bomb.end(), {h[Held::bomb], e[Held::bomb]});
        slow.insert(slow.end(), {h[Held::slowdown], e[Held::slowdown]});
    }
    EXPECT_EQ(fire, (std::vector<int32_t>{1, edge::pressed, 0, edge::released, 0, edge::idle}));
    EXPECT_EQ(bomb, fire);
    const int32_t held = edge::heldDown;
    EXPECT_EQ(slow, (std::vector<int32_t>{1, edge::pressed, 1, held, 1, held}));
    EXPECT_FALSE(engine.keyLatched[90]);
    EXPECT_FALSE(pad.buttonLatched[2]);
}

TEST(TouchBindings, AFingerSteersTheShipByItsMotionAndFiresOnlyInARun) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    game.world.players.resize(1);
    Player& ship = game.world.players[0];
    ship.x = 0.5f;
    ship.y = 1.0f;
    ship.speed = 0.01f;
    engine.touch = TouchMotion{.fingerDown = true, .dx = 40.0f, .dy = 0.0f};
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 0) << "not in a run";
    EXPECT_EQ(game.input.actionHeld[Held::fire], 0);

    game.input.touch.plays = true;
    engine.touch.dx = 42.0f;  // 0.105 world units right at 400 pixels per unit
    int32_t steps = 0;
    for (readInput(); game.input.actionHeld[Held::directions] != 0 && steps < 100; readInput()) {
        EXPECT_EQ(game.input.actionHeld[Held::directions], 2);
        EXPECT_EQ(game.input.actionHeld[Held::fire], 1);
        ship.x += 0.008f;  // the step with fire held
        ++steps;
    }
    EXPECT_EQ(steps, 13);
    EXPECT_NEAR(ship.x, 0.605f, 0.004f);

    // Pushed against a wall the ship stays: the rest is forgotten, and the way back counts.
    engine.touch.dy = 80.0f;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 4);
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 0);
    engine.touch.dy = -8.0f;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::directions], 1);

    engine.touch = TouchMotion{};
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::fire], 0);
    EXPECT_FALSE(game.input.touch.following);
}

TEST(TouchBindings, OnScreenButtonsStandForTheirActions) {
    HeadlessEngine engine;
    ScriptedJoystick pad;
    startWith(engine, pad, false);
    engine.touchButtons = touchbuttons::bomb | touchbuttons::slowdown;
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::bomb], 1);
    EXPECT_EQ(game.input.actionHeld[Held::slowdown], 1);
    EXPECT_EQ(game.input.actionHeld[Held::power], 0);
    EXPECT_FALSE(actionActive(Action::pause));
    engine.touchButtons = touchbuttons::pause | touchbuttons::power;
    EXPECT_TRUE(actionActive(Action::pause));
    readInput();
    EXPECT_EQ(game.input.actionHeld[Held::power], 1);
    EXPECT_EQ(game.input.actionHeld[Held::bomb], 0);
}
