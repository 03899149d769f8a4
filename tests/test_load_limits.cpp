// Loading limits: the definition text of one start-up is capped, so an endless device
// or a huge file can neither hang loading nor fill memory.
#include "core/game_state.h"
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
