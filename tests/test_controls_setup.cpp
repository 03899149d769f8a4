// The controls setup screen: browsing, clearing, capturing keys and joystick buttons,
// leaving, saving to the controls file, and its picture; the menu and Options screens
// that lead to it, the settings the Options screen keeps, and the Replays screen's list.
#include "input/input.h"
#include "tests/support/shell_world.h"
#include "tests/support/test_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

using testing_support::decodeTestFont;
using testing_support::keepIdleRun;
using testing_support::installTestFont;
using testing_support::readWholeFile;
using testing_support::ShellWorld;
using testing_support::TempDir;

namespace {

constexpr int keyUp = 0x26, keyRight = 0x27, keyDown = 0x28, keyLeft = 0x25;
constexpr int keyEscape = 0x1B, keySpace = 0x20;

class ControlsSetup : public ::testing::Test {
protected:
    ShellWorld world;

    void SetUp() override {
        world.load("script noop { } model ship_frame { line 0 0 0 0.1 }");
        enterShipSelection();
        enterControlsSetup();
    }

    // One display frame with `key` pressed in it.
    void press(int key) {
        world.engine.keyPressed = key;
        world.engine.runFrame();
    }

    // One display frame with the hat in `position`.
    void hat(int position) {
        world.joystick.hat = position;
        world.engine.runFrame();
    }

    void openJoystick(int buttons) {
        world.joystick.present = true;
        world.joystick.isOpen = true;
        world.joystick.buttons.assign(static_cast<size_t>(buttons), false);
        game.platform.joystickOpen = true;
    }
};

// Names in a folder, to see that no temporary file stays behind.
std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(ControlsSetup, EntryResetsTheScreenState) {
    EXPECT_EQ(world.engine.frameFunc, &controlsSetupFrame);
    EXPECT_EQ(app.shell.selectionCursor, 0);
    EXPECT_FALSE(app.shell.captureMode);
    EXPECT_EQ(game.clock.frameCounter, 0);
    EXPECT_FALSE(controlsSetupFrame());
    EXPECT_EQ(game.clock.frameCounter, 1);
}

TEST_F(ControlsSetup, CursorWrapsBothWays) {
    press(keyUp);
    EXPECT_EQ(app.shell.selectionCursor, 8);
    press(keyDown);
    EXPECT_EQ(app.shell.selectionCursor, 0);
    press(keyDown);
    EXPECT_EQ(app.shell.selectionCursor, 1);
}

TEST_F(ControlsSetup, BindingTextListsKeysThenButtons) {
    game.input.bindingTable[Action::up].keys = {keyUp};
    game.input.bindingTable[Action::up].buttons = {0};
    EXPECT_EQ(bindingText(Action::up), keyName(keyUp) + ",J0");
    EXPECT_EQ(bindingText(Action::right), "");
    EXPECT_EQ(bindingText(static_cast<Action>(99)), "");
}

TEST_F(ControlsSetup, LeftClearsTheRow) {
    game.input.bindingTable[Action::fire].keys = {0x5A, 0x20};
    game.input.bindingTable[Action::fire].buttons = {1};
    for (int i = 0; i < 5; ++i) press(keyDown);
    press(keyLeft);
    EXPECT_TRUE(game.input.bindingTable[Action::fire].keys.empty());
    EXPECT_TRUE(game.input.bindingTable[Action::fire].buttons.empty());
    EXPECT_EQ(bindingText(Action::fire), "");
}

TEST_F(ControlsSetup, RightThenSpaceAddsTheKey) {
    game.input.bindingTable[Action::fire].keys = {0x5A};
    for (int i = 0; i < 5; ++i) press(keyDown);
    press(keyRight);
    EXPECT_TRUE(app.shell.captureMode);
    press(keySpace);
    EXPECT_FALSE(app.shell.captureMode);
    EXPECT_EQ(game.input.bindingTable[Action::fire].keys, (std::vector<uint16_t>{0x5A, keySpace}));
    EXPECT_EQ(bindingText(Action::fire), keyName(0x5A) + "," + keyName(keySpace));
    // Arrow keys are captured too while capturing.
    press(keyRight);
    press(keyUp);
    EXPECT_EQ(game.input.bindingTable[Action::fire].keys.back(), keyUp);
    EXPECT_EQ(app.shell.selectionCursor, 5);
}

TEST_F(ControlsSetup, EscapeCancelsTheCaptureThenLeaves) {
    press(keyRight);
    ASSERT_TRUE(app.shell.captureMode);
    press(keyEscape);
    EXPECT_FALSE(app.shell.captureMode);
    EXPECT_TRUE(game.input.bindingTable[Action::up].keys.empty());
    EXPECT_EQ(world.engine.frameFunc, &controlsSetupFrame);
    press(keyEscape);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
}

TEST_F(ControlsSetup, RightOnTheLastRowLeaves) {
    press(keyUp);
    press(keyRight);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_FALSE(app.shell.captureMode);
}

TEST_F(ControlsSetup, JoystickButtonIsCaptured) {
    openJoystick(5);
    press(keyRight);
    world.joystick.buttons[3] = true;
    world.engine.runFrame();
    EXPECT_FALSE(app.shell.captureMode);
    EXPECT_EQ(game.input.bindingTable[Action::up].buttons, std::vector<int8_t>{3});
    EXPECT_EQ(bindingText(Action::up), "J3");
    // Browsing ignores buttons.
    world.engine.runFrame();
    EXPECT_EQ(game.input.bindingTable[Action::up].buttons.size(), 1u);
}

TEST_F(ControlsSetup, APadsButtonIsCapturedByNameSavedAndReadBack) {
    TempDir dir;
    const std::string path = dir.write("quillfray.cfg", "control 5 key 90\ncontrol 5 pad nosuch\n");
    readControlsFile(path);
    game.input.controlsPath = path;
    openJoystick(15);
    world.joystick.pad = true;
    EXPECT_EQ(bindingText(Action::fire), keyName(0x5A) + ",(A)");
    enterControlsSetup();
    for (int i = 0; i < 5; ++i) press(keyDown);
    press(keyRight);
    world.joystick.buttons[9] = true;  // raw 9 is not looked at on a pad
    world.joystick.padButtons[static_cast<size_t>(PadButton::leftShoulder)] = true;
    world.engine.runFrame();
    world.joystick.padButtons[static_cast<size_t>(PadButton::leftShoulder)] = false;
    EXPECT_FALSE(app.shell.captureMode);
    EXPECT_TRUE(game.input.bindingTable[Action::fire].buttons.empty());
    EXPECT_EQ(bindingText(Action::fire), keyName(0x5A) + ",LB");
    // The D-pad browses as the hat does: down to the last row, right saves.
    for (int i = 0; i < 3; ++i) {
        world.joystick.padButtons[static_cast<size_t>(PadButton::dpDown)] = true;
        world.engine.runFrame();
        world.joystick.padButtons[static_cast<size_t>(PadButton::dpDown)] = false;
        world.engine.runFrame();
    }
    ASSERT_EQ(app.shell.selectionCursor, 8);
    world.joystick.padButtons[static_cast<size_t>(PadButton::dpRight)] = true;
    world.engine.runFrame();
    EXPECT_EQ(readWholeFile(path), "control 5 key 90\ncontrol 5 pad leftshoulder\ncontrol 5 pad nosuch\n");
    readControlsFile(path);
    EXPECT_EQ(game.input.bindingTable[Action::fire].pads,
              std::vector<uint8_t>{static_cast<uint8_t>(PadButton::leftShoulder)});
}

TEST_F(ControlsSetup, APadsBackCancelsACaptureThenLeaves) {
    openJoystick(15);
    world.joystick.pad = true;
    press(keyRight);
    world.joystick.padButtons[static_cast<size_t>(PadButton::back)] = true;
    world.engine.runFrame();
    EXPECT_FALSE(app.shell.captureMode);
    EXPECT_TRUE(game.input.bindingTable[Action::up].pads.empty()) << "Back cancels, not joins";
    EXPECT_EQ(world.engine.frameFunc, &controlsSetupFrame);
    world.joystick.padButtons[static_cast<size_t>(PadButton::back)] = false;
    world.engine.runFrame();
    world.joystick.padButtons[static_cast<size_t>(PadButton::back)] = true;
    world.engine.runFrame();
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
}

TEST_F(ControlsSetup, KeyAndButtonInOneFrameBothJoin) {
    openJoystick(2);
    press(keyRight);
    world.joystick.buttons[1] = true;
    press(keySpace);
    EXPECT_EQ(bindingText(Action::up), keyName(keySpace) + ",J1");
}

TEST_F(ControlsSetup, HeldHatMovesOneRow) {
    openJoystick(0);
    hat(4);
    hat(4);
    hat(4);
    EXPECT_EQ(app.shell.selectionCursor, 1);
    hat(0);
    hat(4);
    EXPECT_EQ(app.shell.selectionCursor, 2);
    hat(6);  // a diagonal matches no direction
    EXPECT_EQ(app.shell.selectionCursor, 2);
    hat(8);
    hat(2);
    EXPECT_TRUE(app.shell.captureMode);
}

TEST_F(ControlsSetup, RenderPlacesTheCursor) {
    press(keyDown);
    press(keyDown);
    game.clock.frameCounter = 90;
    ASSERT_FALSE(controlsSetupRender());
    std::vector<SceneOp> lines;
    for (const SceneOp& op : world.engine.ops)
        if (op.kind == SceneOp::Kind::Line) lines.push_back(op);
    ASSERT_EQ(lines.size(), 1u);  // no font: only the cursor
    EXPECT_FLOAT_EQ(lines[0].x1, 120.0f);
    EXPECT_FLOAT_EQ(lines[0].y1, 220.0f);
    EXPECT_NEAR(lines[0].x2, 120.0f + 20.0f * std::sin(0.5f), 1e-3f);
    EXPECT_NEAR(lines[0].y2, 220.0f + 20.0f * std::cos(0.5f), 1e-3f);
    press(keyRight);
    controlsSetupRender();
    EXPECT_FLOAT_EQ(world.engine.ops[3].x1, 420.0f);
    press(keyEscape);
    press(keyUp);
    press(keyUp);
    press(keyUp);
    controlsSetupRender();
    EXPECT_FLOAT_EQ(world.engine.ops[3].y1, 560.0f);
}

TEST_F(ControlsSetup, FirstSaveOfTheUsersOwnFileMakesItsFolderAndKeepsTheShippedLines) {
    TempDir dir;
    const std::string shippedText = "# shipped\ncontrol 12 key 65\ncontrol 5 key 90\n";
    const std::string shipped = dir.write("quillfray.cfg", shippedText);
    const std::filesystem::path folder = dir.path() / "config" / "quillfray";
    const std::string own = (folder / "quillfray.cfg").string();
    readControlsFile(shipped);
    game.input.controlsPath = own;
    game.input.controlsReadFrom = shipped;
    game.input.makeControlsFolder = true;
    for (int i = 0; i < 5; ++i) press(keyDown);
    press(keyLeft);  // Fire loses Z
    for (int i = 0; i < 3; ++i) press(keyDown);
    press(keyRight);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(readWholeFile(own), "# shipped\ncontrol 12 key 65\n");
    EXPECT_EQ(readWholeFile(shipped), shippedText);
    for (const auto& made : {folder, folder.parent_path()})
        EXPECT_EQ(std::filesystem::status(made).permissions(), std::filesystem::perms::owner_all);
    EXPECT_TRUE(game.input.controlsReadFrom.empty());  // the next save keeps the own file's lines
}

TEST_F(ControlsSetup, ExitAndSaveRewritesOnlyTheBindingsOfActionsZeroToSeven) {
    TempDir dir;
    const std::string original = "# my controls\n"
                                 "\n"
                                 "control  2 key 40\n"       // doubled blank: no binding
                                 "control 12 key 65\n"
                                 "control 8 key 19\n"       // pause: not on the screen
                                 "control 5 key 90   \r\n"   // the first line of 0..7
                                 "  # and the pad\n"
                                 "control 5 joy 200\n"       // button -56
                                 "last line, no break";
    const std::string path = dir.write("quillfray.cfg", original);
    readControlsFile(path);
    game.input.controlsPath = path;
    openJoystick(2);
    const BindingTable before = game.input.bindingTable;
    // Row 0 gets Space and row 5 button 1; the cursor ends on the last row.
    const auto change = [&] {
        enterControlsSetup();
        press(keyRight);
        press(keySpace);
        for (int i = 0; i < 5; ++i) press(keyDown);
        press(keyRight);
        world.joystick.buttons[1] = true;
        world.engine.runFrame();
        world.joystick.buttons[1] = false;
        for (int i = 0; i < 3; ++i) press(keyDown);
        ASSERT_EQ(app.shell.selectionCursor, 8);
    };
    change();
    std::array<BindingRow, 8> rows;
    for (size_t a = 0; a < rows.size(); ++a)
        rows[a] = game.input.bindingTable[static_cast<Action>(a)];
    EXPECT_EQ(rows[5].buttons, (std::vector<int8_t>{-56, 1}));

    // Escape on the last row leaves without writing, the bindings as they were before.
    press(keyEscape);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(readWholeFile(path), original);
    for (size_t a = 0; a < 16; ++a) {
        EXPECT_EQ(game.input.bindingTable[static_cast<Action>(a)].keys,
                  before[static_cast<Action>(a)].keys) << a;
        EXPECT_EQ(game.input.bindingTable[static_cast<Action>(a)].buttons,
                  before[static_cast<Action>(a)].buttons) << a;
    }

    change();
    press(keyRight);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(readWholeFile(path),
              "# my controls\n\ncontrol  2 key 40\ncontrol 12 key 65\ncontrol 8 key 19\n"
              "control 0 key 32\ncontrol 5 key 90\ncontrol 5 joy -56\ncontrol 5 joy 1\n"
              "  # and the pad\nlast line, no break");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"quillfray.cfg"});
    readControlsFile(path);
    for (size_t a = 0; a < rows.size(); ++a) {
        EXPECT_EQ(game.input.bindingTable[static_cast<Action>(a)].keys, rows[a].keys) << a;
        EXPECT_EQ(game.input.bindingTable[static_cast<Action>(a)].buttons, rows[a].buttons) << a;
    }
    EXPECT_EQ(game.input.bindingTable[static_cast<Action>(12)].keys, std::vector<uint16_t>{65});
    EXPECT_EQ(game.input.bindingTable[Action::pause].keys, std::vector<uint16_t>{19});

    // A folder where the file should be, then a folder that does not exist: the screen
    // stays with the reason, the bindings hold, and nothing is left behind.
    const std::string chars = "CINd:acefhilnorstuvy ";
    installTestFont(chars);
    for (const auto& [where, why] :
         {std::pair{dir.path().string(), "Is a directory"},
          std::pair{(dir.path() / "absent" / "quillfray.cfg").string(),
                    "No such file or directory"}}) {
        game.input.controlsPath = where;
        enterControlsSetup();
        press(keyUp);
        world.engine.time = 10.0;
        press(keyRight);
        EXPECT_EQ(world.engine.frameFunc, &controlsSetupFrame);
        EXPECT_EQ(app.shell.setupMessage, std::string("Could not save: ") + why);
        EXPECT_EQ(game.input.bindingTable[Action::up].keys, std::vector<uint16_t>{keySpace});
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"quillfray.cfg"});
        std::vector<SceneOp> message;
        world.engine.time = 13.9;
        controlsSetupRender();
        for (const SceneOp& op : world.engine.ops)
            if (op.kind == SceneOp::Kind::Line && op.color == 0xFFFF7F7F) message.push_back(op);
        EXPECT_EQ(decodeTestFont(message, chars), app.shell.setupMessage);
        world.engine.time = 14.1;
        controlsSetupRender();
        for (const SceneOp& op : world.engine.ops) EXPECT_NE(op.color, 0xFFFF7F7Fu);
    }
    press(keyEscape);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
}

namespace {

constexpr int keyFire = 0x5A, keyBomb = 0x58, keyP = 0x50, keyShift = 0x10, keyC = 0x43;

// The ship selection with two ships, and the menu and Options screens reached from it.
class MenuScreens : public ::testing::Test {
protected:
    ShellWorld world;

    void SetUp() override {
        world.load("script noop { } model ship_frame { line 0 0 0 0.1 }\n"
                   "model hulla { line 0 0 0 0.01 } model hullb { line 0 0 0 0.02 }\n"
                   "ship a { model hulla } ship b { model hullb }\n");
        for (const auto& [action, key] :
             {std::pair{Action::up, keyUp}, std::pair{Action::down, keyDown},
              std::pair{Action::left, keyLeft}, std::pair{Action::right, keyRight},
              std::pair{Action::fire, keyFire}, std::pair{Action::bomb, keyBomb},
              std::pair{Action::slowdown, keyShift}, std::pair{Action::power, keyC}})
            ShellWorld::bind(action, key);
        world.engine.windowed = true;
        enterShipSelection();
    }

    // One display frame with `key` held, then one with it released; the frame functions'
    // results, or'ed.
    bool tap(int key) {
        world.hold(key);
        bool ended = world.stepFrame();
        world.hold(key, false);
        return world.stepFrame() || ended;
    }

    // From the selection to the menu, then `downs` rows down.
    void openMenu(int downs = 0) {
        tap(keyP);
        ASSERT_EQ(world.engine.frameFunc, &menuFrame);
        for (int k = 0; k < downs; ++k) tap(keyDown);
    }

    // The scores of the Replays screen's rows, top to bottom.
    static std::vector<int64_t> rowScores() {
        std::vector<int64_t> scores;
        for (const KeptReplayRow& row : app.shell.replays.rows) scores.push_back(row.score);
        return scores;
    }

    // The menu's Options row chosen, then `downs` rows down.
    void openOptions(int downs = 0) {
        openMenu(3);
        tap(keyFire);
        ASSERT_EQ(world.engine.frameFunc, &optionsFrame);
        for (int k = 0; k < downs; ++k) tap(keyDown);
    }
};

// The loudest sample of the second of two mixed blocks of a steady sound (the first
// lets a volume change glide in).
float steadyLoudness(std::vector<float>& steady) {
    Mixer& mixer = app.sound.mixer;
    mixer.stopAll();
    steady.assign(48000, 0.5f);
    mixer.play(0, steady.data(), steady.size(), 1.0f, 0.0f, 1.0f, 0);
    std::vector<float> out(2 * 512);
    mixer.mix(out);
    mixer.mix(out);
    float loudest = 0;
    for (float v : out) loudest = std::max(loudest, std::abs(v));
    return loudest;
}

}  // namespace

TEST_F(MenuScreens, ThePauseKeyOnTheSelectionOpensTheMenuOnItsFirstRow) {
    tap(keyDown);
    ASSERT_EQ(app.shell.selectionCursor, 1);
    openMenu();
    EXPECT_EQ(world.engine.renderFunc, &menuRender);
    EXPECT_EQ(app.shell.menuCursor, 0);
    // Back on the selection, the cursor stays on the ship it was on.
    tap(keyEscape);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(app.shell.selectionCursor, 1);
    EXPECT_EQ(game.world.players[0].shipIndex, 1);
}

TEST_F(MenuScreens, UpAndDownStopAtTheEndsAndNoRowIsDimmed) {
    openMenu();
    tap(keyUp);
    EXPECT_EQ(app.shell.menuCursor, 0);
    tap(keyDown);  // Replays, and back to the same row
    EXPECT_FALSE(tap(keyFire));
    EXPECT_EQ(world.engine.frameFunc, &replaysFrame);
    tap(keyEscape);
    EXPECT_EQ(world.engine.frameFunc, &menuFrame);
    EXPECT_EQ(app.shell.menuCursor, 1);
    for (int k = 0; k < 5; ++k) tap(keyDown);
    EXPECT_EQ(app.shell.menuCursor, 5);
    // Every row has its screen now: none is drawn in the dimmed colour.
    menuRender();
    EXPECT_TRUE(std::none_of(world.engine.ops.begin(), world.engine.ops.end(), [](const SceneOp& op) {
        return op.kind == SceneOp::Kind::Line && op.color == 0xFF505050;
    }));
}

TEST_F(MenuScreens, PracticeAndRecordsOpenFromTheMenuAndGoBackToIt) {
    openMenu(2);
    tap(keyFire);
    ASSERT_EQ(world.engine.frameFunc, &recordsFrame);
    EXPECT_EQ(app.shell.recordsText.ships.size(), 2u);
    EXPECT_NE(app.shell.recordsText.problem, "");  // no folder for records here
    ASSERT_EQ(recordsShipsPerPage(), 1);  // ten rows a ship: the two take two pages
    for (int key : {keyDown, keyRight}) tap(key);
    EXPECT_EQ(app.shell.recordsPage, 1);
    tap(keyLeft);
    EXPECT_EQ(app.shell.recordsPage, 0);
    tap(keyBomb);
    ASSERT_EQ(world.engine.frameFunc, &menuFrame);
    for (int k = 0; k < 2; ++k) tap(keyUp);
    tap(keyFire);
    ASSERT_EQ(world.engine.frameFunc, &practiceFrame);
    ASSERT_EQ(app.shell.practiceEntries.size(), 1u);  // no records: stage 1 only
    EXPECT_EQ(app.shell.practiceEntries[0].label, "Stage 1");
    tap(keyRight);
    EXPECT_EQ(app.shell.chosenShip, 1);
    tap(keyRight);  // the last ship
    EXPECT_EQ(app.shell.chosenShip, 1);
    tap(keyEscape);
    EXPECT_EQ(world.engine.frameFunc, &menuFrame);
}

TEST_F(MenuScreens, EscapeAndBombGoBackWithoutEndingTheProgram) {
    for (int key : {keyEscape, keyBomb}) {
        openMenu(2);
        world.hold(key);
        EXPECT_FALSE(world.stepFrame());
        ASSERT_EQ(world.engine.frameFunc, &shipSelectionFrame);
        for (int f = 0; f < 3; ++f) EXPECT_FALSE(world.stepFrame());  // still held
        world.hold(key, false);
        world.stepFrame();
    }
    tap(keyP);  // the menu opens on its first row again
    EXPECT_EQ(app.shell.menuCursor, 0);
}

TEST_F(MenuScreens, ExitEndsTheProgram) {
    openMenu(5);
    EXPECT_TRUE(tap(keyFire));
}

TEST_F(MenuScreens, ControlsComeBackWhereTheyWereOpened) {
    openMenu(4);
    tap(keyFire);
    ASSERT_EQ(world.engine.frameFunc, &controlsSetupFrame);
    world.engine.keyPressed = keyEscape;
    world.stepFrame();
    ASSERT_EQ(world.engine.frameFunc, &menuFrame);
    EXPECT_EQ(app.shell.menuCursor, 4);
    world.stepFrame();
    tap(keyUp);
    tap(keyFire);  // Options
    for (int k = 0; k < 6; ++k) tap(keyDown);
    tap(keyFire);  // Controls
    ASSERT_EQ(world.engine.frameFunc, &controlsSetupFrame);
    world.engine.keyPressed = keyEscape;
    world.stepFrame();
    ASSERT_EQ(world.engine.frameFunc, &optionsFrame);
    world.stepFrame();
    tap(keyDown);
    tap(keyFire);  // Back
    EXPECT_EQ(world.engine.frameFunc, &menuFrame);
    // F9 from the selection still comes back to the selection.
    tap(keyEscape);
    tap(0x78);
    world.engine.keyPressed = keyEscape;
    world.stepFrame();
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
}

TEST_F(MenuScreens, OptionsChangeTheVolumesAtOnceAndWriteThemOnLeaving) {
    const std::string path = world.dir.write("quillfray-settings.cfg", "look dark\nvolume master 9\n");
    app.sound.settingsPath = path;
    app.sound.master = 9;
    applySoundVolumes();
    std::vector<float> steady;
    const float before = steadyLoudness(steady);
    openOptions();
    tap(keyLeft);
    tap(keyLeft);
    tap(keyLeft);
    EXPECT_EQ(app.sound.master, 6);
    EXPECT_LT(steadyLoudness(steady), 0.6f * before);
    tap(keyDown);
    for (int k = 0; k < 12; ++k) tap(keyRight);
    EXPECT_EQ(app.sound.effects, 10);  // stops at 10
    tap(keyDown);
    tap(keyLeft);
    EXPECT_EQ(readWholeFile(path), "look dark\nvolume master 9\n");  // not yet
    tap(keyBomb);
    EXPECT_EQ(world.engine.frameFunc, &menuFrame);
    EXPECT_EQ(readWholeFile(path),
              "volume master 6\nvolume effects 10\nvolume music 5\nmute 0\nfullscreen 0\n"
              "scale 1\nhitcircle 0\nlook dark\n");
    // --mute decided the mute: the file keeps its own.
    app.sound.muted = app.sound.mutedByCommandLine = true;
    tap(keyFire);  // the menu's cursor stayed on Options
    for (int k = 0; k < 5; ++k) tap(keyDown);
    tap(keyRight);
    tap(keyEscape);
    EXPECT_NE(readWholeFile(path).find("mute 0\n"), std::string::npos);
    EXPECT_NE(readWholeFile(path).find("hitcircle 1\n"), std::string::npos);
}

TEST_F(MenuScreens, FullscreenAndScaleReachTheEngine) {
    openOptions(3);
    tap(keyRight);
    EXPECT_FALSE(world.engine.windowed);
    EXPECT_TRUE(app.display.fullscreen);
    world.engine.windowed = true;  // F11 switched back: the row shows the window
    tap(keyLeft);
    EXPECT_FALSE(world.engine.windowed);
    tap(keyDown);
    tap(keyRight);
    EXPECT_EQ(world.engine.windowScale, 2);
    tap(keyRight);
    EXPECT_EQ(world.engine.windowScale, 0);
    EXPECT_EQ(app.display.scale, 0);
    tap(keyRight);
    EXPECT_EQ(world.engine.windowScale, 1);
    tap(keyLeft);
    EXPECT_EQ(app.display.scale, 0);
}

TEST_F(MenuScreens, TheHitCircleOptionDrawsTheShipsHitCircleInARun) {
    // Lines of the circle's colour in a picture of a run.
    auto circleLines = [this] {
        gameplayRender();
        return std::count_if(world.engine.ops.begin(), world.engine.ops.end(),
                             [](const SceneOp& op) {
                                 return op.kind == SceneOp::Kind::Line && op.color == 0xFF40FFFF;
                             });
    };
    enterGameplay();
    EXPECT_EQ(circleLines(), 0);
    app.display.hitCircle = true;
    EXPECT_EQ(circleLines(), 16);
}

TEST(Settings, TheWindowLinesAreReadBackAndBadOnesIgnored) {
    ShellWorld world;
    const std::string path = world.dir.write(
        "s.cfg", "fullscreen 1\nscale fit\nhitcircle 1\nscale 3\nfullscreen yes\nhitcircle\n");
    readSettingsFile(path);
    EXPECT_TRUE(app.display.fullscreen);
    EXPECT_EQ(app.display.scale, 0);
    EXPECT_TRUE(app.display.hitCircle);
    world.dir.write("s.cfg", "scale 2 x\nscale 2\n");
    readSettingsFile(path);
    EXPECT_EQ(app.display.scale, 2);
}

TEST_F(MenuScreens, ReplaysAreListedNewestFirstAndOnlyTheWatchableOnesPlay) {
    const std::string home = (world.dir.path() / "home").string();
    app.records.place.folder = home;
    for (const auto& [second, score] : {std::pair{1, 100}, {3, 300}, {2, 200}, {4, 400}})
        ASSERT_EQ(keepIdleRun(home, "2026-12-08T12:00:0" + std::to_string(second), score,
                              score == 300),
                  "");
    std::filesystem::remove(home + "/replays/run-20261208T120004Z.qfr");
    openMenu(1);
    tap(keyFire);
    ASSERT_EQ(world.engine.frameFunc, &replaysFrame);
    EXPECT_EQ(rowScores(), (std::vector<int64_t>{400, 300, 200, 100}));
    const auto& rows = app.shell.replays.rows;
    EXPECT_FALSE(rows[0].changed);
    EXPECT_NE(rows[0].problem, "");  // missing
    EXPECT_TRUE(rows[1].changed);
    EXPECT_EQ(rows[2].problem, "");
    // The changed one says so in the list.
    const std::string chars = "acdefghilnrs ";
    installTestFont(chars);
    world.engine.ops.clear();
    replaysRender();
    std::vector<SceneOp> marked;
    for (const SceneOp& op : world.engine.ops)
        if (op.kind == SceneOp::Kind::Line && op.color == 0xFFFF8080 && op.y1 > 160 && op.y1 < 185)
            marked.push_back(op);
    EXPECT_EQ(decodeTestFont(marked, chars), "files changed");
    // Fire on the missing and the changed ones only says why.
    for (int row = 0; row < 2; ++row) {
        tap(keyFire);
        EXPECT_EQ(world.engine.frameFunc, &replaysFrame);
        EXPECT_TRUE(app.shell.replays.message.starts_with("Cannot watch: ")) << row;
        tap(keyDown);
    }
    // The third one plays, is not recorded again, and its end comes back here.
    tap(keyFire);
    ASSERT_EQ(world.engine.frameFunc, &gameplayFrame);
    EXPECT_TRUE(app.replay.playing);
    // Fire doubles the speed; the pause key holds the run still.
    EXPECT_EQ(game.clock.frameCounter, 1);  // the frame Fire was let go in
    tap(keyFire);
    EXPECT_EQ(app.shell.replays.speed, 2);
    EXPECT_EQ(game.clock.frameCounter, 5);
    tap(keyP);
    for (int f = 0; f < 3; ++f) world.stepFrame();
    EXPECT_EQ(game.clock.frameCounter, 5);
    tap(keyP);
    for (int f = 0; f < 100 && world.engine.frameFunc == &gameplayFrame; ++f) world.stepFrame();
    EXPECT_EQ(world.engine.frameFunc, &replaysFrame);
    EXPECT_EQ(game.clock.frameCounter, 90);
    EXPECT_EQ(app.shell.replays.cursor, 2);
    std::string why;
    EXPECT_EQ(loadedRecords(why).runs.size(), 4u);
}

TEST_F(MenuScreens, ReplaysArePinnedAndDeletedFromTheList) {
    const std::string home = (world.dir.path() / "home").string();
    app.records.place.folder = home;
    ASSERT_EQ(keepIdleRun(home, "2026-12-08T12:00:01", 100), "");
    ASSERT_EQ(keepIdleRun(home, "2026-12-08T12:00:02", 200), "");
    openMenu(1);
    tap(keyFire);
    tap(keyDown);
    tap(keyShift);
    std::string why;
    EXPECT_TRUE(loadedRecords(why).runs[0].pinned);
    EXPECT_TRUE(app.shell.replays.rows[1].pinned);
    tap(keyShift);
    EXPECT_FALSE(loadedRecords(why).runs[0].pinned);
    // Delete asks once, then deletes the file; the run stays in the records.
    const std::string file = home + "/replays/run-20261208T120001Z.qfr";
    tap(keyC);
    EXPECT_TRUE(std::filesystem::exists(file));
    tap(keyC);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(rowScores(), std::vector<int64_t>{200});
    EXPECT_EQ(app.shell.replays.cursor, 0);
    const RecordsFile records = loadedRecords(why);
    ASSERT_EQ(records.runs.size(), 2u);
    EXPECT_EQ(records.runs[0].replay, "");
    // A move between the two presses forgets the first.
    tap(keyC);
    tap(keyUp);
    tap(keyC);
    EXPECT_EQ(rowScores(), std::vector<int64_t>{200});
    tap(keyBomb);
    EXPECT_EQ(world.engine.frameFunc, &menuFrame);
}
