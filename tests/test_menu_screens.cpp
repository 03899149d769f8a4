// The menu and the screens it leads to: its rows and keys, the Options screen and the
// settings it keeps, the Records and Practice screens, and the Replays screen's list.
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
constexpr int keyEscape = 0x1B;

}  // namespace

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
    // The strip's hints name the keys, or a pad's buttons once one is open.
    EXPECT_EQ(firstBindingName(Action::pause, "P"), "P");
    world.joystick.present = world.joystick.pad = true;
    world.stepFrame();
    ASSERT_TRUE(game.platform.joystickOpen);
    EXPECT_EQ(firstBindingName(Action::fire, "-"), "A");
    EXPECT_EQ(firstBindingName(Action::pause, "P"), "Start");
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
    const int32_t startFrame = app.shell.startFrame;
    tap(keyFire);  // the run, and Escape from it comes back here
    ASSERT_EQ(world.engine.frameFunc, &gameplayFrame);
    tap(keyEscape);
    ASSERT_EQ(world.engine.frameFunc, &practiceFrame);
    tap(keyEscape);
    EXPECT_EQ(world.engine.frameFunc, &menuFrame);
    tap(keyEscape);
    ASSERT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(app.shell.startFrame, startFrame);
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
    for (int k = 0; k < 7; ++k) tap(keyDown);
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
              "scale 1\nresolution auto\nhitcircle 0\nlook dark\n");
    // --mute decided the mute: the file keeps its own.
    app.sound.muted = app.sound.mutedByCommandLine = true;
    tap(keyFire);  // the menu's cursor stayed on Options
    for (int k = 0; k < 6; ++k) tap(keyDown);
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
    tap(keyDown);
    tap(keyRight);
    EXPECT_EQ(world.engine.resolution, static_cast<int>(ResolutionMode::full));
    tap(keyRight);
    EXPECT_EQ(app.display.resolution, ResolutionMode::native);
    tap(keyRight);
    EXPECT_EQ(world.engine.resolution, static_cast<int>(ResolutionMode::automatic));
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
    world.dir.write("s.cfg", "resolution native-800x600\nresolution 800x600\nresolution full x\n");
    readSettingsFile(path);
    EXPECT_EQ(app.display.resolution, ResolutionMode::native);
    world.dir.write("s.cfg", "resolution full\n");
    readSettingsFile(path);
    EXPECT_EQ(app.display.resolution, ResolutionMode::full);
    world.dir.write("s.cfg", "resolution auto\n");
    readSettingsFile(path);
    EXPECT_EQ(app.display.resolution, ResolutionMode::automatic);
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
