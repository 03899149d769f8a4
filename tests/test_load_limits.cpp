// Loading limits: the definition text of one start-up is capped, so an endless device
// or a huge file can neither hang loading nor fill memory.
#include "core/game_state.h"
#include "core/hash.h"
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::TempDir;

TEST(LoadLimits, AnEndlessDeviceStopsAtTheTextBudget) {
    resetGameState();
    resetRegistries();
    loadDefinitionFile("/dev/zero");
    EXPECT_EQ(game.defs.textLoaded, limits::maxDefinitionText);
    EXPECT_EQ(game.defs.fileOrdinal, 1);
}

TEST(LoadLimits, FilesPastTheBudgetDefineNothing) {
    resetGameState();
    TempDir dir;
    // Lines of 19 bytes that the reader keeps whole: the budget ends inside the file.
    std::string big;
    while (big.size() <= limits::maxDefinitionText) big += "model m { line 0 }\n";
    const std::string first = dir.write("first.lev", big);
    const std::string second = dir.write("second.lev", "model late { }\n");
    resetRegistries();
    loadDefinitionFile(first);
    const size_t models = game.defs.modelRegistry.size();
    EXPECT_EQ(game.defs.textLoaded, limits::maxDefinitionText);
    // Every whole line, and the last one cut short.
    EXPECT_EQ(models, (limits::maxDefinitionText + 18) / 19);
    loadDefinitionFile(second);
    EXPECT_EQ(game.defs.modelRegistry.size(), models);
    EXPECT_EQ(game.defs.fileOrdinal, 2);

    // A new start-up starts a new budget.
    resetRegistries();
    loadDefinitionFile(second);
    EXPECT_EQ(game.defs.modelRegistry.size(), 1u);
}

TEST(LoadLimits, AFileCutAtTheBudgetHashesItsCutTextAloneAndShared) {
    resetGameState();
    TempDir dir;
    const std::string content = "model a { line 0 0 1 1 }\nMODEL b {\tline 1 1 0 0 } // b\n";
    const std::string path = dir.write("cut.lev", content);
    const size_t room = 20;
    const uint64_t expected = fnv1a64(processDefinitionText(content).substr(0, room));
    const size_t sharingBefore = loadSharingFrom;
    for (const size_t from : {sharingBefore, size_t{0}}) {
        loadSharingFrom = from;
        resetRegistries();
        game.defs.textLoaded = limits::maxDefinitionText - room;
        loadDefinitionFile(path);
        ASSERT_EQ(game.defs.loadedFiles.size(), 1u);
        EXPECT_EQ(game.defs.loadedFiles[0].hash, expected) << "sharing from " << from;
        EXPECT_EQ(game.defs.textLoaded, limits::maxDefinitionText);
        EXPECT_EQ(game.defs.modelRegistry.size(), 1u);
    }
    loadSharingFrom = sharingBefore;
}
