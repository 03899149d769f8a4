// Reloading the definition files while the game runs: F5 brings in the new content and
// restarts the run at the first frame of its stage (or its own start frame there), with the
// checker's report on screen, as much as fits at a time;
// a file that cannot be read keeps the running definitions; --watch sees a saved file;
// hundreds of reloads hold the memory steady.
#include "app/app.h"
#include "tests/support/shell_world.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <filesystem>
#include <string>

using testing_support::ShellWorld;

namespace {

// A game in a folder of its own, which the test makes the working directory: the game
// looks for its files there. Two stages of 100 frames each spawn one Actor at their frame
// 10, of the Model the level names.
class Reload : public ::testing::Test {
protected:
    ShellWorld world;
    std::filesystem::path before = std::filesystem::current_path();

    void SetUp() override {
        std::filesystem::current_path(world.dir.path());
        world.dir.write("base.vec", "script idle { }\nmodel ship { line 0 -0.02 0.02 0.02 }\n"
                                    "ship arrow { model ship }\n");
        writeLevel("first");
        resetRegistries();
        loadDefinitions({});
        noteDefinitionFiles();
    }
    void TearDown() override { std::filesystem::current_path(before); }

    // A level whose Actors carry the Model `model`; `extra` is added at its end.
    void writeLevel(const std::string& model, const std::string& extra = "") {
        const std::string spawn = "cmd spawn { model " + model + " fx 0.5 owner 2 life 5000 }";
        world.dir.write("default.lev", "model " + model + " { line 0 0 0.01 0.01 }\n" +
                                           "stage 100 { event 10 { " + spawn + " } }\n" +
                                           "stage 100 { event 10 { " + spawn + " } }\n" + extra);
    }

    // Whether the Model of Actor `k` is the level's Model `name` (stored with a file tag).
    static bool actorCarries(size_t k, const std::string& name) {
        const Actor& a = game.world.actors[k];
        return game.defs.modelRegistry[static_cast<size_t>(a.model)].name.rfind(name, 0) == 0;
    }
};

}  // namespace

TEST_F(Reload, F5LoadsTheNewFilesAndRestartsTheRunAtItsStage) {
    enterGameplay();
    for (int k = 0; k < 150; ++k) world.stepFrame();  // into the second stage
    ASSERT_EQ(game.world.actors.size(), 2u);
    writeLevel("second", "bogus\n");
    world.pressFrame(keys::f5);
    EXPECT_EQ(game.clock.frameCounter, 0);
    EXPECT_EQ(game.clock.timelineStart, 100);  // the second stage's first frame
    EXPECT_TRUE(game.world.actors.empty());
    for (int k = 0; k < 11; ++k) world.stepFrame();
    ASSERT_EQ(game.world.actors.size(), 1u);
    EXPECT_TRUE(actorCarries(0, "second"));
    // The checker's report (what this small base.vec lacks, the stray word of the new
    // level): on the screen for a while, three warnings a page; F6 turns the page.
    ASSERT_EQ(app.reload.messages.size(), 7u);
    EXPECT_EQ(app.reload.messages[0], "Reloaded");
    EXPECT_EQ(app.reload.messages[1].rfind("base.vec: warning: ", 0), 0u);
    EXPECT_EQ(app.reload.messages[6].rfind("default.lev:", 0), 0u) << app.reload.messages[6];
    EXPECT_GT(app.reload.messagesUntil, static_cast<float>(world.engine.time));
    EXPECT_EQ(app.reload.messageFirst, 0u);
    const size_t firstPage = app.reload.messagesShown;  // as many as the strip has room for
    ASSERT_GT(firstPage, 0u);
    ASSERT_LT(firstPage, 6u);
    world.pressFrame(keys::f6);
    EXPECT_EQ(app.reload.messageFirst, firstPage);
    for (int k = 0; k < 6 && app.reload.messageFirst > 0; ++k) world.pressFrame(keys::f6);
    EXPECT_EQ(app.reload.messageFirst, 0u);  // past the last ones: the first ones again
    // R restarts at the run's own start again, not at the stage.
    world.hold(keys::letterR);
    world.stepFrame();
    EXPECT_EQ(game.clock.timelineStart, 0);
}

TEST_F(Reload, ARunFromAStartFrameRestartsThereWhileInItsStage) {
    app.shell.startFrame = 120;  // --start-frame 120: in the second stage
    enterGameplay();
    for (int k = 0; k < 20; ++k) world.stepFrame();
    world.pressFrame(keys::f5);
    EXPECT_EQ(game.clock.timelineStart, 120);
    // Begun in the first stage and gone on into the second: that stage's first frame.
    app.shell.startFrame = 50;
    enterGameplay();
    for (int k = 0; k < 80; ++k) world.stepFrame();
    world.pressFrame(keys::f5);
    EXPECT_EQ(game.clock.timelineStart, 100);
}

TEST_F(Reload, AnUnreadableFileKeepsTheRunningDefinitions) {
    enterGameplay();
    for (int k = 0; k < 20; ++k) world.stepFrame();
    std::filesystem::remove(world.dir.path() / "default.lev");
    std::filesystem::create_directory(world.dir.path() / "default.lev");
    world.pressFrame(keys::f5);
    EXPECT_EQ(game.clock.frameCounter, 21);  // the run went on
    ASSERT_EQ(game.world.actors.size(), 1u);
    EXPECT_TRUE(actorCarries(0, "first"));
    ASSERT_EQ(app.reload.messages.size(), 1u);
    EXPECT_EQ(app.reload.messages[0], "default.lev: cannot be read; the running definitions stay");
}

TEST_F(Reload, WatchSeesASavedFileAndHundredsOfReloadsHoldMemory) {
    app.reload.watch = true;
    enterShipSelection();
    world.frameAt(1.0);  // looks at the files; nothing changed
    writeLevel("second");
    world.frameAt(1.1);  // too soon to look again
    EXPECT_TRUE(game.defs.modelRegistry.back().name.rfind("first", 0) == 0);
    world.frameAt(1.3);
    EXPECT_TRUE(game.defs.modelRegistry.back().name.rfind("second", 0) == 0);

    const size_t models = game.defs.modelRegistry.size();
    for (int k = 0; k < 20; ++k) ASSERT_TRUE(reloadDefinitions());
    const size_t heldAfterTwenty = mallinfo2().uordblks;
    for (int k = 0; k < 300; ++k) ASSERT_TRUE(reloadDefinitions());
    EXPECT_EQ(game.defs.modelRegistry.size(), models);
    EXPECT_LT(mallinfo2().uordblks, heldAfterTwenty + 256 * 1024);
}

TEST_F(Reload, WatchAndTheReportReadTheDataFolder) {
    std::filesystem::create_directory(world.dir.path() / "elsewhere");
    std::filesystem::current_path(world.dir.path() / "elsewhere");
    game.dataDir = world.dir.path().string();
    resetRegistries();
    loadDefinitions({});
    noteDefinitionFiles();
    app.reload.watch = true;
    enterShipSelection();
    world.frameAt(1.0);
    writeLevel("second");
    world.frameAt(1.3);
    EXPECT_TRUE(game.defs.modelRegistry.back().name.rfind("second", 0) == 0);
    ASSERT_GE(app.reload.messages.size(), 2u);
    const std::string base = game.dataDir + "/base.vec: warning: ";
    EXPECT_EQ(app.reload.messages[1].rfind(base, 0), 0u) << app.reload.messages[1];
    EXPECT_EQ(app.reload.messages[1].find("not found"), std::string::npos);
}
