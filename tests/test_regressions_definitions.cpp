// Replays every definition input kept under tests/regressions/fuzz_definitions/.
#include "tests/support/input_runners.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(RegressionsDefinitions, EveryKeptInputLoadsCleanly) {
    const auto files = regressionFiles(QF_SOURCE_DIR, "fuzz_definitions");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        const auto bytes = readBytes(file);
        const RunReport report = runDefinitionsInput(bytes);
        EXPECT_EQ(report.problem, "") << file;
    }
}
