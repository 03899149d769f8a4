// Replays every controls-file input kept under tests/regressions/fuzz_controls/.
#include "tests/support/input_runners.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(RegressionsControls, EveryKeptInputReadsCleanly) {
    const auto files = regressionFiles(QF_SOURCE_DIR, "fuzz_controls");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        const auto bytes = readBytes(file);
        const RunReport report = runControlsInput(bytes);
        EXPECT_EQ(report.problem, "") << file;
    }
}
