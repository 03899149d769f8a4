// The checker and the game agree on every token: the check loads with the game's own
// loaders, and what it loads equals what the game's start-up loads, for the shipped data
// and for random definition text.
#include "tests/check_helpers.h"
#include "tests/support/defs_dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using testing_support::dumpRegistries;
using testing_support::randomDefinitionText;
using testing_support::TempDir;

namespace {

// The registries the game's start-up loads in `dir` (base.vec, font.vec, then `levels`
// or default.lev).
std::string gameLoad(const std::filesystem::path& dir, const std::vector<std::string>& levels) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    resetGameState();
    resetRegistries();
    loadDefinitions(levels);
    std::filesystem::current_path(before);
    return dumpRegistries();
}

// The registries quillfray-check loads in `dir` for the same files, into registries of
// its own: the game's are left as they were.
std::string checkLoad(const std::filesystem::path& dir, const std::vector<std::string>& levels) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    CheckInput input;
    input.levelFiles = levelFilesToLoad(levels);
    const std::string running = dumpRegistries();
    Registries defs;
    runCheck(input, defs);
    EXPECT_EQ(dumpRegistries(), running) << "the check changed the game's registries";
    std::filesystem::current_path(before);
    return dumpRegistries(defs);
}

}  // namespace

TEST(CheckAgreement, ShippedDataLoadsTheSameInTheCheckerAndTheGame) {
    const std::filesystem::path data = std::filesystem::path(QF_SOURCE_DIR) / "data";
    ASSERT_TRUE(std::filesystem::exists(data / "base.vec"))
        << "the shipped data is missing: no " << (data / "base.vec").string();
    const std::string game = gameLoad(data, {});
    EXPECT_GT(game.size(), 100u);
    EXPECT_EQ(checkLoad(data, {}), game);
}

TEST(CheckAgreement, RandomFilesLoadTheSameInTheCheckerAndTheGame) {
    std::mt19937 rng(77);
    for (int round = 0; round < 60; ++round) {
        TempDir dir;
        dir.write("base.vec", randomDefinitionText(rng, 150));
        dir.write("font.vec", randomDefinitionText(rng, 40));
        dir.write("a.lev", randomDefinitionText(rng, 150));
        dir.write("b.lev", randomDefinitionText(rng, 150));
        const std::vector<std::string> levels = {"a.lev", "b.lev"};
        const std::string game = gameLoad(dir.path(), levels);
        ASSERT_EQ(checkLoad(dir.path(), levels), game) << "round " << round;
    }
}

TEST(CheckAgreement, CheckerLoadsTheSameForTheSmallGame) {
    TempDir dir;
    dir.write("base.vec", check_test::cleanBase);
    dir.write("font.vec", check_test::cleanFont);
    dir.write("default.lev", "model rock { line 0 0 1 1 }\nscript s { cmd spawn { model rock ondie { cmd remove { } } } }\n"
                             "stage 600 { event 10 { cmd spawn { model rock onleave clear } } }\n");
    const std::string game = gameLoad(dir.path(), {});
    EXPECT_NE(game.find("rock"), std::string::npos);
    EXPECT_EQ(checkLoad(dir.path(), {}), game);
}
