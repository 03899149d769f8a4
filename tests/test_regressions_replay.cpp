// Replays every replay-file input kept under tests/regressions/fuzz_replay/; the valid-*
// inputs, which also seed the fuzzer, must decode.
#include "replay/replay_file.h"
#include "tests/support/input_runners.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

TEST(RegressionsReplay, EveryKeptInputDecodesOrIsRefusedCleanly) {
    const auto files = regressionFiles(QF_SOURCE_DIR, "fuzz_replay");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        const auto bytes = readBytes(file);
        const RunReport report = runReplayInput(bytes);
        EXPECT_EQ(report.problem, "") << file;
        if (file.filename().string().starts_with("valid-")) {
            Replay replay;
            std::string why;
            EXPECT_TRUE(readReplayFile(file.string(), replay, why)) << file << ": " << why;
            EXPECT_GE(replay.stepCount, 1u) << file;
        }
    }
}
