// The controls setup screen: browsing, clearing, capturing keys and joystick buttons,
// leaving, saving to the controls file, and its picture.
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
