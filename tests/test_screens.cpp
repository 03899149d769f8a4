// Start-up, shut-down and the switches between the ship selection, gameplay and controls
// setup screens, driven frame by frame on the headless engine.
#include "input/input.h"
#include "tests/support/shell_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using testing_support::ShellWorld;
using testing_support::TempDir;

namespace {

constexpr int keyUp = 0x26, keyDown = 0x28, keyFire = 0x5A, keyEscape = 0x1B, keyF9 = 0x78;

// Three ships, each with its own model.
constexpr std::string_view threeShips = R"(
script noop { }
script cleared { }
model hulla { line 0 0 0 0.01 }
model hullb { line 0 0 0 0.02 }
model hullc { line 0 0 0 0.03 }
ship a { model hulla }
ship b { model hullb }
ship c { model hullc }
)";

// Runs the working directory of a test in a temporary directory, and back.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDirectory() { std::filesystem::current_path(previous_); }
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// Start-up hooks on the world's headless engine and joystick, counting error messages.
struct Hooks {
    std::vector<std::pair<std::string, std::string>> errors;
    PlatformHooks hooks;

    explicit Hooks(ShellWorld& world) {
        hooks.createEngine = [&world]() -> Engine* { return &world.engine; };
        hooks.joystick = &world.joystick;
        hooks.showError = [this](std::string_view text, std::string_view caption) {
            errors.emplace_back(std::string(text), std::string(caption));
        };
    }
};

// True when a stored model name is `plain` followed by the tag of file ordinal `ordinal`.
bool hasModel(std::string_view plain, int ordinal) {
    std::string name(plain);
    if (ordinal > 0) {
        name += '\x01';
        name += static_cast<char>(ordinal);
    }
    for (const Model& m : game.defs.modelRegistry)
        if (m.name == name) return true;
    return false;
}

class Screens : public ::testing::Test {
protected:
    ShellWorld world;

    void SetUp() override {
        world.load(threeShips);
        ShellWorld::bind(Action::up, keyUp);
        ShellWorld::bind(Action::down, keyDown);
        ShellWorld::bind(Action::fire, keyFire);
        enterShipSelection();
    }

    // One frame with `key` held, then one with it released.
    void tap(int key) {
        world.hold(key);
        world.stepFrame();
        world.hold(key, false);
        world.stepFrame();
    }

    bool onSelection() const { return world.engine.frameFunc == &shipSelectionFrame; }
    bool inGameplay() const { return world.engine.frameFunc == &gameplayFrame; }
};

}  // namespace

TEST(StartUp, WithoutArgumentsLoadsBaseFontAndDefaultLevel) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    world.dir.write("base.vec", "model basemodel { line 0 0 0 0.1 } ship one { model basemodel }");
    world.dir.write("font.vec", "model syma { line 0 0 0 0.1 }");
    world.dir.write("default.lev", "model deflev { }");
    world.dir.write("quillfray.cfg", "control 5 key 90\n");
    world.joystick.present = true;
    world.engine.beforeFrame = [](HeadlessEngine&) { return false; };
    Hooks hooks(world);

    EXPECT_EQ(gameMain({}, hooks.hooks), 0);
    EXPECT_TRUE(hasModel("basemodel", 0));
    EXPECT_TRUE(hasModel("deflev", 1));
    ASSERT_EQ(game.defs.fontGlyphs.size(), 1u);
    // The font was read after base.vec and before the level: its names carry tag 1.
    EXPECT_EQ(game.defs.fontGlyphs[0].name, std::string("syma\x01\x01"));
    EXPECT_EQ(game.defs.fileOrdinal, 2);
    EXPECT_EQ(game.input.bindingTable[Action::fire].keys, std::vector<uint16_t>{90});
    EXPECT_EQ(game.input.bindingTable[Action::exit].keys, std::vector<uint16_t>{0x1B});

    EXPECT_EQ(world.engine.title, "Quillfray");
    EXPECT_TRUE(world.engine.windowed);
    EXPECT_FALSE(world.engine.useSound);
    EXPECT_FALSE(world.engine.showSplash);
    EXPECT_EQ(world.engine.screenWidth, 800);
    EXPECT_EQ(world.engine.screenHeight, 600);
    EXPECT_EQ(world.engine.screenBpp, 32);
    EXPECT_EQ(world.engine.frameFunc, &shipSelectionFrame);
    EXPECT_EQ(world.engine.renderFunc, &shipSelectionRender);
    EXPECT_TRUE(world.engine.initiated);
    EXPECT_TRUE(world.engine.shutDown);
    EXPECT_TRUE(world.engine.released);
    EXPECT_EQ(game.platform.engine, nullptr);
    EXPECT_FALSE(world.joystick.isOpen);  // opened at start-up, closed at the end
    EXPECT_TRUE(hooks.errors.empty());
    EXPECT_EQ(game.world.players.size(), 1u);
    EXPECT_FLOAT_EQ(game.layout.playfieldLeft, 200.0f);
    EXPECT_FLOAT_EQ(game.layout.pixelsPerUnitY, 400.0f);
}

TEST(StartUp, WithoutItsFilesTheGameSaysWhereItLookedAndStillStarts) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    world.engine.beforeFrame = [](HeadlessEngine&) { return false; };
    Hooks hooks(world);
    hooks.hooks.startupReport = true;
    EXPECT_EQ(gameMain({}, hooks.hooks), 0);
    const std::string& said = app.shell.dataProblem;
    const std::string folder = std::filesystem::current_path().string();
    EXPECT_NE(said.find("no base.vec, font.vec, default.lev in " + folder + "."),
              std::string::npos) << said;
    EXPECT_NE(said.find("--data DIR"), std::string::npos) << said;
    EXPECT_TRUE(world.engine.initiated);
    EXPECT_TRUE(app.reload.messages.empty());  // no checker's report besides
    // The left strip of the selection screen says it in the font the game was built with.
    game.platform.engine = &world.engine;
    shipSelectionRender();
    size_t lines = 0;
    for (const SceneOp& op : world.engine.ops)
        lines += op.kind == SceneOp::Kind::Line && op.color == 0xFFFF8080 && op.x1 < 200.0f;
    EXPECT_GT(lines, 100u);
    game.platform.engine = nullptr;
}

TEST(StartUp, ABrokenLevelIsReportedAsAReloadReportsIt) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    world.dir.write("base.vec", "script noop { }\nmodel none { }\nship one { model none }\n");
    world.dir.write("font.vec", "model blank { }\n");
    world.dir.write("default.lev", "model rock { {{{ line 0 0 0 0.1 }\n");
    world.engine.beforeFrame = [](HeadlessEngine&) { return false; };
    Hooks hooks(world);
    hooks.hooks.startupReport = true;
    EXPECT_EQ(gameMain({}, hooks.hooks), 0);
    EXPECT_TRUE(app.shell.dataProblem.empty());
    const std::string report = checkReport({});
    ASSERT_NE(report.find("default.lev:1:"), std::string::npos) << report;
    const auto& shown = app.reload.messages;
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Warnings at start");
    std::string again;
    for (size_t k = 1; k < shown.size(); ++k) again += shown[k] + "\n";
    EXPECT_EQ(again, report);
}

TEST(StartUp, DataFolderGivesTheFilesAndTheControlsUntilTheUserHasOwn) {
    ShellWorld world;
    InDirectory here(world.dir.path());  // holds nothing the game reads
    std::filesystem::create_directory(world.dir.path() / "data");
    world.dir.write("data/base.vec", "model basemodel { }");
    world.dir.write("data/mine.lev", "model minelev { }");
    world.dir.write("data/quillfray.cfg", "control 5 key 90\n");
    world.dir.write("own.cfg", "control 5 key 88\n");
    game.dataDir = (world.dir.path() / "data").string();
    world.engine.beforeFrame = [](HeadlessEngine&) { return false; };
    Hooks hooks(world);
    const std::vector<std::string> args = {"mine.lev"};
    for (const std::string own : {"absent/quillfray.cfg", "own.cfg"}) {
        EXPECT_EQ(gameMain(args, hooks.hooks, own), 0);
        EXPECT_TRUE(hasModel("basemodel", 0));
        EXPECT_TRUE(hasModel("minelev", 1));
        ASSERT_EQ(game.defs.loadedFiles.size(), 3u);
        EXPECT_EQ(game.defs.loadedFiles[2].path, "mine.lev");  // as given: replays name it so
        EXPECT_EQ(game.input.controlsPath, own);
        EXPECT_TRUE(game.input.makeControlsFolder);
        const uint16_t fire = own == "own.cfg" ? 88 : 90;
        EXPECT_EQ(game.input.bindingTable[Action::fire].keys, std::vector<uint16_t>{fire});
    }
    EXPECT_EQ(userControlsPath("/x", "/home/u"), "/x/quillfray/quillfray.cfg");
    EXPECT_EQ(userControlsPath("relative", "/home/u"), "/home/u/.config/quillfray/quillfray.cfg");
    EXPECT_EQ(userControlsPath(nullptr, ""), "");
}

TEST(StartUp, ArgumentsReplaceTheDefaultLevel) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    world.dir.write("base.vec", "model basemodel { }");
    world.dir.write("default.lev", "model deflev { }");
    world.dir.write("first.lev", "model firstlev { }");
    world.dir.write("second.lev", "model secondlev { }");
    world.engine.beforeFrame = [](HeadlessEngine&) { return false; };
    Hooks hooks(world);
    const std::vector<std::string> args = {"first.lev", "second.lev"};
    EXPECT_EQ(gameMain(args, hooks.hooks), 0);
    EXPECT_TRUE(hasModel("basemodel", 0));
    EXPECT_TRUE(hasModel("firstlev", 1));
    EXPECT_TRUE(hasModel("secondlev", 2));
    EXPECT_FALSE(hasModel("deflev", 1));
    EXPECT_EQ(game.defs.fileOrdinal, 3);
    EXPECT_FALSE(game.platform.joystickOpen);
}

TEST(StartUp, InitiateFailureShowsOneErrorSaysWhatToDoAndReturnsOne) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    world.engine.initiateFails = true;
    Hooks hooks(world);
    EXPECT_EQ(gameMain({}, hooks.hooks), 1);
    ASSERT_EQ(hooks.errors.size(), 1u);
    EXPECT_EQ(hooks.errors[0].first,
              world.engine.errorText + "\nQuillfray needs a desktop session with a working "
              "display to open its window: start it from the desktop, or check DISPLAY or "
              "WAYLAND_DISPLAY.");
    EXPECT_EQ(hooks.errors[0].second, "Error");
    EXPECT_EQ(world.engine.framesRun, 0);
    EXPECT_TRUE(world.engine.shutDown);
    EXPECT_TRUE(world.engine.released);
}

TEST(StartUp, EscapeOnTheSelectionScreenEndsTheRun) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    world.dir.write("base.vec", threeShips);
    int frames = 0;
    world.engine.beforeFrame = [&frames](HeadlessEngine& engine) {
        ++frames;
        engine.time = frames * 0.02;
        engine.keyHeld[0x1B] = frames >= 3;
        return frames < 100;
    };
    Hooks hooks(world);
    EXPECT_EQ(gameMain({}, hooks.hooks), 0);
    EXPECT_EQ(frames, 3);
    EXPECT_TRUE(world.engine.shutDown);
}

TEST_F(Screens, EscapeHeldFromGameplayDoesNotEndTheProgram) {
    world.hold(keyFire);
    EXPECT_FALSE(world.stepFrame());
    ASSERT_TRUE(inGameplay());
    world.hold(keyFire, false);
    world.stepFrame();
    world.hold(keyEscape);
    EXPECT_FALSE(world.stepFrame());
    ASSERT_TRUE(onSelection());
    for (int f = 0; f < 5; ++f) EXPECT_FALSE(world.stepFrame());
    world.hold(keyEscape, false);
    EXPECT_FALSE(world.stepFrame());
    world.hold(keyEscape);
    EXPECT_TRUE(world.stepFrame());
}

TEST_F(Screens, CursorReturnsToTheShipLastPlayed) {
    tap(keyDown);
    tap(keyDown);
    EXPECT_EQ(app.shell.selectionCursor, 2);
    EXPECT_EQ(game.world.players[0].shipIndex, 2);
    EXPECT_EQ(game.world.players[0].modelIndex, findModel("hullc"));
    world.hold(keyFire);
    world.stepFrame();
    world.hold(keyFire, false);
    ASSERT_TRUE(inGameplay());
    EXPECT_EQ(app.shell.chosenShip, 2);
    EXPECT_EQ(game.world.players[0].modelIndex, findModel("hullc"));
    world.stepFrame();
    world.hold(keyEscape);
    world.stepFrame();
    ASSERT_TRUE(onSelection());
    EXPECT_EQ(app.shell.selectionCursor, 2);
    EXPECT_EQ(game.world.players[0].shipIndex, 2);
}

TEST_F(Screens, CursorStopsAtTheFirstAndLastShip) {
    tap(keyDown);
    tap(keyDown);
    tap(keyDown);
    EXPECT_EQ(app.shell.selectionCursor, 2);
    tap(keyUp);
    EXPECT_EQ(app.shell.selectionCursor, 1);
    tap(keyUp);
    EXPECT_EQ(app.shell.selectionCursor, 0);
    tap(keyUp);
    EXPECT_EQ(app.shell.selectionCursor, 0);
    // Holding moves by one place only.
    world.hold(keyDown);
    for (int f = 0; f < 4; ++f) world.stepFrame();
    EXPECT_EQ(app.shell.selectionCursor, 1);
    EXPECT_TRUE(onSelection());
}

TEST_F(Screens, ATapOnAShipOfTheListStartsARunWithItAndAFingerThenFires) {
    world.engine.tapped = true;  // beside the list: nothing
    world.engine.tapX = 300.0f;
    world.engine.tapY = 134.0f;
    world.stepFrame();
    ASSERT_TRUE(onSelection());
    world.engine.touch.fingerDown = true;
    world.stepFrame();
    EXPECT_EQ(game.input.actionHeld[Held::fire], 0) << "a finger fires in a run only";
    world.engine.tapped = true;  // the third ship's row
    world.engine.tapX = 700.0f;
    world.engine.tapY = 200.0f;
    world.stepFrame();
    ASSERT_TRUE(inGameplay());
    EXPECT_EQ(app.shell.chosenShip, 2);
    world.stepFrame();
    EXPECT_EQ(game.input.actionHeld[Held::fire], 1);
}

TEST_F(Screens, FireHeldAcrossScreensStartsAgainWithTheSameShip) {
    tap(keyDown);
    world.hold(keyFire);
    world.stepFrame();
    ASSERT_TRUE(inGameplay());
    world.hold(keyEscape);
    world.stepFrame();
    ASSERT_TRUE(onSelection());
    world.hold(keyEscape, false);
    world.stepFrame();
    EXPECT_TRUE(inGameplay());
    EXPECT_EQ(app.shell.chosenShip, 1);
    EXPECT_EQ(game.world.players[0].shipIndex, 1);
}

TEST_F(Screens, KeyConfigAndBackRestartsTheSelection) {
    tap(keyDown);
    world.hold(keyF9);
    EXPECT_FALSE(world.stepFrame());
    world.hold(keyF9, false);
    ASSERT_EQ(world.engine.frameFunc, &controlsSetupFrame);
    EXPECT_EQ(world.engine.renderFunc, &controlsSetupRender);
    EXPECT_EQ(app.shell.selectionCursor, 0);
    EXPECT_EQ(game.clock.frameCounter, 0);
    // Escape leaves the setup, and being still held it does not end the program.
    world.hold(keyEscape);
    EXPECT_FALSE(world.pressFrame(keyEscape));
    ASSERT_TRUE(onSelection());
    EXPECT_FALSE(world.stepFrame());
    EXPECT_FALSE(world.stepFrame());
    EXPECT_EQ(app.shell.selectionCursor, 0);  // chosenShip never changed
}

TEST(NoShips, SelectionAndGameplayRunWithoutAnyShip) {
    ShellWorld world;
    world.load("script noop { } model rock { line 0 0 0 0.1 }");
    ShellWorld::bind(Action::down, keyDown);
    ShellWorld::bind(Action::fire, keyFire);
    enterShipSelection();
    EXPECT_EQ(game.world.players[0].modelIndex, 0);
    world.hold(keyDown);
    world.stepFrame();
    world.hold(keyDown, false);
    world.stepFrame();
    EXPECT_EQ(app.shell.selectionCursor, 0);
    world.hold(keyFire);
    world.stepFrame();
    ASSERT_EQ(world.engine.frameFunc, &gameplayFrame);
    for (int f = 0; f < 20; ++f) world.stepFrame();
    EXPECT_EQ(game.clock.frameCounter, 20);
    EXPECT_EQ(game.world.players[0].shot1Script, 0);
}

TEST(NoShips, NothingLoadedAtAll) {
    ShellWorld world;
    world.load("");
    ShellWorld::bind(Action::fire, keyFire);
    enterShipSelection();
    world.hold(keyFire);
    for (int f = 0; f < 10; ++f) world.stepFrame();
    EXPECT_EQ(world.engine.frameFunc, &gameplayFrame);
    EXPECT_TRUE(game.world.emitters.empty());
}

TEST(StartUp, TheGameSoundsThroughTheEnginesDeviceAndPausesIt) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    for (const char* name : {"base.vec", "font.vec"})
        std::filesystem::copy_file(std::filesystem::path(QF_SOURCE_DIR) / "data" / name,
                                   world.dir.path() / name);
    world.dir.write("default.lev",
                    "sound shot { wave square freq 440 sustain 0.05 decay 0.05 volume 0.5 }\n"
                    "stage 6000 { }\n");
    world.dir.write("quillfray.cfg", "control 5 key 90\ncontrol 15 key 27\n");
    // Frames 1-90 on the selection screen, whose demo ship fires by itself: the device
    // hears the shots. Frame 100 starts a run with Fire, frame 110 pauses it (P): the
    // device is held still. Frame 120 ends the game.
    float loudest = 0;
    bool pausedWhilePaused = false;
    world.engine.beforeFrame = [&](HeadlessEngine& e) {
        e.time = e.framesRun / 60.0 + 0.001;
        e.keyHeld[0x5A] = e.framesRun >= 100 && e.framesRun < 104;
        e.keyPressed = e.framesRun == 110 ? 0x50 : 0;
        if (e.framesRun < 90) {
            std::vector<float> frames(2 * 800);
            e.pullAudio(frames.data(), 800);
            for (float v : frames) loudest = std::max(loudest, std::abs(v));
        }
        if (e.framesRun == 115) pausedWhilePaused = app.shell.paused && e.audioPaused;
        return e.framesRun < 120;
    };
    Hooks hooks(world);
    EXPECT_EQ(gameMain({}, hooks.hooks), 0);
    EXPECT_GT(loudest, 0.05f);
    EXPECT_TRUE(pausedWhilePaused);
    EXPECT_EQ(world.engine.audioFill, nullptr);  // the device closed with the game
    EXPECT_EQ(world.engine.audioLocks, 0);
}

TEST(StartUp, MMutesOnTheSelectionInGameplayAndPausedAndRemembersIt) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    for (const char* name : {"base.vec", "font.vec"})
        std::filesystem::copy_file(std::filesystem::path(QF_SOURCE_DIR) / "data" / name,
                                   world.dir.path() / name);
    world.dir.write("default.lev", "stage 6000 { }\n");
    world.dir.write("quillfray.cfg", "control 5 key 90\ncontrol 15 key 27\n");
    world.dir.write("quillfray-settings.cfg", "volume master 7\nlook dark\nmute 0\n");
    app.sound.settingsPath = settingsPathBeside("quillfray.cfg");
    readSettingsFile(app.sound.settingsPath);
    // M on the selection (frame 10), in gameplay (frame 40), paused (P at 50, M at 60).
    std::vector<bool> seen;
    world.engine.beforeFrame = [&](HeadlessEngine& e) {
        e.time = e.framesRun / 60.0 + 0.001;
        e.keyHeld[0x5A] = e.framesRun >= 20 && e.framesRun < 24;
        e.keyPressed = e.framesRun == 10 || e.framesRun == 40 || e.framesRun == 60 ? 0x4D
                       : e.framesRun == 50                                       ? 0x50
                                                                                 : 0;
        if (e.framesRun == 15 || e.framesRun == 45 || e.framesRun == 65) {
            seen.push_back(app.sound.muted);
            if (e.framesRun == 65) seen.push_back(app.shell.paused);
        }
        return e.framesRun < 70;
    };
    Hooks hooks(world);
    EXPECT_EQ(gameMain({}, hooks.hooks), 0);
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true, true}));
    std::ifstream written(world.dir.path() / "quillfray-settings.cfg");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              "volume master 7\nvolume effects 8\nvolume music 6\nmute 1\nfullscreen 0\n"
              "scale 1\nresolution auto\nhitcircle 0\nlook dark\n");
}

TEST(StartUp, TheSettingsFileOpensTheWindowFullscreenAndScaled) {
    ShellWorld world;
    InDirectory here(world.dir.path());
    world.dir.write("base.vec", threeShips);
    world.dir.write("quillfray-settings.cfg", "fullscreen 1\nscale 2\nresolution full\n");
    readSettingsFile(settingsPathBeside("quillfray.cfg"));
    world.engine.beforeFrame = [](HeadlessEngine&) { return false; };
    Hooks hooks(world);
    EXPECT_EQ(gameMain({}, hooks.hooks), 0);
    EXPECT_FALSE(world.engine.windowed);
    EXPECT_EQ(world.engine.windowScale, 2);
    EXPECT_EQ(world.engine.resolution, static_cast<int>(ResolutionMode::full));
}

TEST(StartUp, MBoundToAnActionIsThatActionOnly) {
    ShellWorld world;
    handleMuteKey(0x4D);
    EXPECT_TRUE(app.sound.muted);
    ShellWorld::bind(Action::bomb, 0x4D);
    handleMuteKey(0x4D);
    EXPECT_TRUE(app.sound.muted);
}

TEST(StartUp, TheSettingsFileSetsThePadsDeadZoneAndRumbleAndKeepsTheirLines) {
    ShellWorld world;
    EXPECT_EQ(game.input.padDeadZone, 25);
    EXPECT_FALSE(game.input.padRumble);
    world.dir.write("s.cfg", "deadzone 96\nrumble 2\ndeadzone 10 5\ndeadzone -1\n");
    const std::string path = (world.dir.path() / "s.cfg").string();
    readSettingsFile(path);
    EXPECT_EQ(game.input.padDeadZone, 25);
    EXPECT_FALSE(game.input.padRumble);
    world.dir.write("s.cfg", "mute 1\ndeadzone 40\nrumble 1\n");
    readSettingsFile(path);
    EXPECT_EQ(game.input.padDeadZone, 40);
    EXPECT_TRUE(game.input.padRumble);
    ASSERT_EQ(writeSettingsFile(path), "");
    std::ifstream written(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              "volume master 10\nvolume effects 8\nvolume music 6\nmute 1\nfullscreen 0\nscale 1\n"
              "resolution auto\nhitcircle 0\ndeadzone 40\nrumble 1\n");
}

TEST(StartUp, AHostileSettingsFileLeavesTheDefaults) {
    ShellWorld world;
    world.dir.write("a.cfg", "volume master 99999999999999999999\nvolume music -1\n"
                             "volume effects 3 4\nmute 2\nvolume\n\x01\xff garbage\nmute\n");
    readSettingsFile((world.dir.path() / "a.cfg").string());
    std::filesystem::create_directory(world.dir.path() / "quillfray-settings.cfg");
    const std::string folder = (world.dir.path() / "quillfray-settings.cfg").string();
    readSettingsFile(folder);
    readSettingsFile((world.dir.path() / "absent.cfg").string());
    EXPECT_EQ(app.sound.master, 10);
    EXPECT_EQ(app.sound.effects, 8);
    EXPECT_EQ(app.sound.music, 6);
    EXPECT_FALSE(app.sound.muted);
    EXPECT_NE(writeSettingsFile(folder), "");  // said, not thrown
    world.dir.write("b.cfg", "volume effects 0\nvolume music 10\nmute 1\n");
    readSettingsFile((world.dir.path() / "b.cfg").string());
    EXPECT_EQ(app.sound.effects, 0);
    EXPECT_EQ(app.sound.music, 10);
    EXPECT_TRUE(app.sound.muted);
    EXPECT_EQ(settingsPathBeside("/x/quillfray/quillfray.cfg"),
              "/x/quillfray/quillfray-settings.cfg");
}
