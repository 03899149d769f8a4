// Replays every gameplay input kept under tests/regressions/fuzz_gameplay/: the level part
// is loaded over the game's own data and played for 600 steps.
#include "tests/support/input_runners.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

TEST(RegressionsGameplay, EveryKeptInputPlaysCleanly) {
    const auto files = regressionFiles(QF_SOURCE_DIR, "fuzz_gameplay");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        const auto bytes = readBytes(file);
        const RunReport report = runGameplayInput(bytes, std::string(QF_SOURCE_DIR) + "/data");
        EXPECT_EQ(report.problem, "") << file;
        EXPECT_GE(report.steps, 1u) << file;
    }
}
