// Replays through the simulator: a recorded run plays back to the very same state; a
// replay is refused on changed definition files and reported as damaged when a byte
// flips; a forced replay names the step where it stops matching; and the replays kept in
// tests/replays/ still play the shipped level exactly.
#include "tests/sim_run_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace simtest;

namespace {

const std::filesystem::path sourceDir = QF_SOURCE_DIR;

// Flips one bit of byte `at` of a file.
void flipBit(const std::filesystem::path& file, std::streamoff at) {
    std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
    bytes.seekg(at);
    char c = 0;
    bytes.get(c);
    bytes.seekp(at);
    bytes.put(static_cast<char>(c ^ 0x10));
}

}  // namespace

TEST(SimReplay, ARunThroughTheFirstBossPlaysBackToTheSameState) {
    TempDir dir;
    copyShippedData(dir);
    // Fire all the way, weaving under the first boss: it comes at step 6600 and leaves by
    // step 10200 at the latest.
    const std::string pilot = "--frames 10300 --hold z:0-10299 --hold left:300-700 "
                              "--hold right:1500-2300 --hold up:6000-6100 --hold x:6700-6700 "
                              "--hold left:7000-7200 --hold c:7600-7600 --hold shift:8000-8500";
    ASSERT_EQ(runSim(dir, pilot + " --record run.qfr --state-json recorded.json "
                                  "--trace-json trace.jsonl"),
              0)
        << readFile(dir, "stderr.txt");
    ASSERT_EQ(runSim(dir, "--replay run.qfr --verify --state-json played.json"), 0)
        << readFile(dir, "stderr.txt");
    const std::string recorded = readFile(dir, "recorded.json");
    EXPECT_EQ(intOf(recorded, "frameCounter"), 10300);
    EXPECT_NE(readFile(dir, "trace.jsonl").find("\"bossBars\":[[360,360],[200,200]]"),
              std::string::npos);
    EXPECT_NE(recorded.find("\"bossBars\":[]"), std::string::npos);
    EXPECT_EQ(readFile(dir, "played.json"), recorded);
    // Ten minutes of ordinary play stay well under 256 KiB; this is about a third of that.
    EXPECT_LT(std::filesystem::file_size(dir.path() / "run.qfr"), 256u * 1024u / 3u);
}

TEST(SimReplay, RefusedOnOtherFilesDamagedByAFlippedBitAndDesyncedWhenForced) {
    TempDir dir;
    writeGame(dir);
    ASSERT_EQ(runSim(dir, "--frames 700 --hold z:0-699 --hold left:0-99 --record run.qfr"), 0)
        << readFile(dir, "stderr.txt");
    ASSERT_EQ(runSim(dir, "--replay run.qfr --verify"), 0) << readFile(dir, "stderr.txt");

    std::filesystem::copy_file(dir.path() / "run.qfr", dir.path() / "flipped.qfr");
    flipBit(dir.path() / "flipped.qfr", 40);
    EXPECT_EQ(runSim(dir, "--replay flipped.qfr"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("flipped.qfr: damaged"), std::string::npos)
        << readFile(dir, "stderr.txt");
    EXPECT_EQ(runSim(dir, "--replay missing.qfr"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("missing.qfr: "), std::string::npos);

    // Six rocks instead of five: the replay no longer fits the level.
    std::string level(testLevel);
    level.replace(level.find("count 5"), 7, "count 6");
    dir.write("default.lev", level);
    EXPECT_EQ(runSim(dir, "--replay run.qfr --verify"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("default.lev has changed"), std::string::npos)
        << readFile(dir, "stderr.txt");
    // Forced, it desyncs at the first check value: --verify stops there, else it plays on.
    EXPECT_EQ(runSim(dir, "--replay run.qfr --verify --force --state-json state.json"), 1);
    EXPECT_NE(readFile(dir, "stderr.txt").find("run.qfr: desync at step 300"), std::string::npos)
        << readFile(dir, "stderr.txt");
    EXPECT_EQ(intOf(readFile(dir, "state.json"), "frameCounter"), 300);
    EXPECT_EQ(runSim(dir, "--replay run.qfr --force --state-json state.json"), 1);
    EXPECT_EQ(intOf(readFile(dir, "state.json"), "frameCounter"), 700);
    // Renewed on purpose, it fits again.
    ASSERT_EQ(runSim(dir, "--replay run.qfr --rerecord renewed.qfr"), 0)
        << readFile(dir, "stderr.txt");
    EXPECT_EQ(runSim(dir, "--replay renewed.qfr --verify"), 0) << readFile(dir, "stderr.txt");
}

TEST(SimReplay, KeptReplaysOfTheShippedLevelStillMatch) {
    TempDir dir;
    copyShippedData(dir);
    int played = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sourceDir / "tests/replays")) {
        if (entry.path().extension() != ".qfr") continue;
        EXPECT_EQ(runSim(dir, "--replay '" + entry.path().string() + "' --verify"), 0)
            << entry.path() << ": " << readFile(dir, "stderr.txt");
        ++played;
    }
    EXPECT_GE(played, 2);
}
