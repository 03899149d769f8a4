// Replays through the simulator: a recorded run plays back to the very same state; a
// replay is refused on changed definition files and reported as damaged when a byte
// flips; a forced replay names the step where it stops matching; and the replays kept in
// tests/replays/ still play the shipped level exactly. With --home every run ends in the
// records with its replay: the tables in score order, practice runs left out, ten a ship,
// the replays kept and pruned, a damaged records file moved aside, a read-only home; the
// Records screen shows them, and the Replays screen watches a kept run to the state
// --replay gives, four times as fast.
#include "tests/sim_run_helpers.h"

#include "app/app.h"
#include "core/game_state.h"
#include "tools/sim/sim_run.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

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

// Runs the simulator with `args`, recorded in the home folder `home` on 2026-12-08 at
// `second` seconds past noon; fails the test unless it exits 0.
void recordedRun(const TempDir& dir, const std::string& args, int second) {
    char date[32];
    std::snprintf(date, sizeof date, "2026-12-08T12:%02d:%02d", second / 60, second % 60);
    ASSERT_EQ(runSim(dir, "--home home --date " + std::string(date) + " " + args), 0)
        << args << ": " << readFile(dir, "stderr.txt");
}

// The records of the shipped level set in `home`, as --records-json writes them.
nlohmann::json recordsJson(const TempDir& dir) {
    EXPECT_EQ(runSim(dir, "--home home --records-json records.json"), 0);
    return nlohmann::json::parse(readFile(dir, "records.json"));
}

// The scores of ship `ship`'s table, best first.
std::vector<long long> tableScores(const nlohmann::json& records, size_t ship) {
    std::vector<long long> scores;
    for (const auto& run : records["ships"][ship]["best"]) scores.push_back(run["score"]);
    return scores;
}

// The one records file in home/records.
std::filesystem::path recordsFile(const TempDir& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "home/records"))
        if (entry.path().extension() == ".txt") return entry.path();
    return {};
}

}  // namespace

TEST(SimRecords, RunsEnterTheTableInScoreOrderPracticeRunsDoNotAndTheirReplaysVerify) {
    TempDir dir;
    copyShippedData(dir);
    const char* pilots[] = {"--frames 1", "--frames 1500 --hold z:0-1499",
                            "--frames 1500 --hold z:0-1499 --hold left:0-200",
                            "--frames 1500 --hold z:0-700",
                            "--frames 1500 --hold z:0-1499 --hold right:0-300"};
    int second = 0;
    for (const char* pilot : pilots) recordedRun(dir, pilot, ++second);
    recordedRun(dir, "--stage 2 --frames 600 --hold z:0-599", ++second);
    const nlohmann::json records = recordsJson(dir);
    const std::vector<long long> scores = tableScores(records, 0);
    ASSERT_EQ(scores.size(), 5u);
    EXPECT_TRUE(std::is_sorted(scores.rbegin(), scores.rend()));
    EXPECT_GT(scores.front(), scores.back());
    EXPECT_EQ(records["totals"]["runs"], 6);
    EXPECT_EQ(records["totals"]["steps"], 1 + 4 * 1500 + 600);
    EXPECT_TRUE(records["ships"][1]["best"].empty());
    for (const auto& run : records["ships"][0]["best"]) {
        EXPECT_EQ(run["stage"], 1);
        EXPECT_TRUE(run["replayKept"]);
        EXPECT_EQ(runSim(dir, "--replay home/replays/" + run["replay"].get<std::string>() +
                                  " --verify"),
                  0)
            << readFile(dir, "stderr.txt");
    }
    // The practice run is kept with its replay but stays out of the table.
    const std::string text = readFile(dir, recordsFile(dir).lexically_relative(dir.path()));
    EXPECT_NE(text.find(" 2 7200 7800 600 2026-12-08T12:00:06Z p run-20261208T120006Z.qfr "),
              std::string::npos)
        << text;
    EXPECT_EQ(runSim(dir, "--replay home/replays/run-20261208T120006Z.qfr --verify"), 0);
    EXPECT_EQ(runSim(dir, "--home home --print-records"), 0);
    EXPECT_NE(readFile(dir, "stdout.txt").find("  1. " + std::to_string(scores[0]) + " stage 1 "),
              std::string::npos);
}

// The Records screen entered in this process on `dir`'s game and home, as
// `quillfray-sim --home home --screen records` enters it: the text it shows.
RecordsText recordsScreenText(const TempDir& dir) {
    SimOptions options;
    options.run = true;
    options.screen = SimScreen::Records;
    options.home = (dir.path() / "home").string();
    game.dataDir = dir.path().string();
    const SimRunOutput out = runGame(options, nullptr);
    game.dataDir.clear();
    EXPECT_EQ(out.screen, "records");
    return app.shell.recordsText;
}

TEST(SimRecords, TheRecordsScreenShowsEachShipsTableInScoreOrderAndTheTotals) {
    TempDir dir;
    copyShippedData(dir);
    recordedRun(dir, "--frames 900 --hold z:0-400", 1);
    recordedRun(dir, "--frames 1", 2);
    recordedRun(dir, "--frames 900 --hold z:0-899", 3);
    recordedRun(dir, "--stage 2 --frames 300 --hold z:0-299", 4);
    const std::vector<long long> scores = tableScores(recordsJson(dir), 0);
    ASSERT_EQ(scores.size(), 3u);
    const RecordsText text = recordsScreenText(dir);
    EXPECT_EQ(text.problem, "");
    EXPECT_EQ(text.levelSet, "base.vec font.vec default.lev");
    ASSERT_EQ(text.ships.size(), 3u);
    EXPECT_EQ(text.shipNames[0], "lance");
    ASSERT_EQ(text.ships[0].size(), 3u);  // the practice run stays out
    for (size_t k = 0; k < 3; ++k) {
        char row[64];
        std::snprintf(row, sizeof row, "%2zu. %10lld  2026-12-08 12:00  stage 1  replay", k + 1,
                      scores[k]);
        EXPECT_EQ(text.ships[0][k], row);
    }
    EXPECT_GT(scores[0], scores[2]);
    EXPECT_EQ(text.ships[1], std::vector<std::string>{"no scores yet"});
    EXPECT_EQ(text.totals, "Runs 4   Time played 0:00:35   Clears 0");
    // A records file that cannot be read is said on the screen.
    std::ofstream(recordsFile(dir)) << "quillfray-records 2\n";
    const RecordsText unread = recordsScreenText(dir);
    EXPECT_NE(unread.problem.find("Records could not be read"), std::string::npos);
    EXPECT_EQ(unread.ships[0], std::vector<std::string>{"no scores yet"});
}

TEST(SimRecords, TheTableKeepsTenAndPruningKeepsTheLastTwentyTheTopTenAndThePinned) {
    TempDir dir;
    copyShippedData(dir);
    recordedRun(dir, "--frames 1", 0);
    // 32 runs more, oldest first: ten high scores, one pinned, then 21 low ones.
    const std::filesystem::path file = recordsFile(dir);
    std::ofstream records(file, std::ios::app);
    for (int k = 1; k <= 32; ++k) {
        const std::string name = "c" + std::to_string(k) + ".qfr";
        std::ofstream(dir.path() / "home/replays" / name) << "kept";
        const int score = k <= 10 ? 1000 + k : k;
        records << "run 0 " << score << " 1 0 60 60 2026-12-08T11:00:00Z " << (k == 11 ? "n" : "-")
                << " " << name << " lance\n";
    }
    records.close();
    recordedRun(dir, "--frames 1", 1);
    const std::vector<long long> scores = tableScores(recordsJson(dir), 0);
    EXPECT_EQ(scores, (std::vector<long long>{1010, 1009, 1008, 1007, 1006, 1005, 1004, 1003,
                                              1002, 1001}));
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "home/replays"))
        kept.push_back(entry.path().filename().string());
    std::sort(kept.begin(), kept.end());
    std::vector<std::string> expected = {"run-20261208T120001Z.qfr"};
    for (int k = 1; k <= 32; ++k)
        if (k != 12 && k != 13) expected.push_back("c" + std::to_string(k) + ".qfr");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(kept, expected);
    const std::string text = readFile(dir, file.lexically_relative(dir.path()));
    EXPECT_NE(text.find(" 12 1 0 60 60 2026-12-08T11:00:00Z - - lance"), std::string::npos);
    EXPECT_NE(text.find("Z - - lance\nrun 0 1001 "), std::string::npos) << text;  // the first run's
}

TEST(SimRecords, ADamagedRecordsFileIsMovedAsideAndTheNextRunRecorded) {
    TempDir dir;
    copyShippedData(dir);
    recordedRun(dir, "--frames 1", 0);
    const std::filesystem::path file = recordsFile(dir);
    std::ofstream(file, std::ios::binary) << std::string("quillfray-records 1\n\x01\x00\xff", 23);
    recordedRun(dir, "--frames 60", 1);
    EXPECT_NE(readFile(dir, "stderr.txt").find("moved aside"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(file.string() + ".not-text-20261208T120001Z"));
    std::ofstream(file) << "quillfray-records 2\n";
    recordedRun(dir, "--frames 60", 2);
    EXPECT_TRUE(std::filesystem::exists(file.string() + ".other-version-20261208T120002Z"));
    EXPECT_EQ(recordsJson(dir)["totals"]["runs"], 1);
}

TEST(SimRecords, REscapeAndTheLastFrameEachEndARunAndAClearedLevelIsNoted) {
    TempDir dir;
    copyShippedData(dir);
    // R at step 100, Escape at 250, and Fire still held starts a third run on the selection.
    recordedRun(dir, "--frames 300 --hold z:0-299 --hold r:100-100 --hold escape:250-250", 0);
    const nlohmann::json records = recordsJson(dir);
    EXPECT_EQ(records["totals"]["runs"], 3);
    EXPECT_EQ(records["totals"]["steps"], 100 + 149 + 48);
    EXPECT_EQ(records["totals"]["clears"], 0);
    // The example level's timeline ends at frame 600 with nothing hostile left.
    TempDir example;
    for (const char* name : {"base.vec", "font.vec", "sound.lev", "quillfray.cfg"})
        std::filesystem::copy_file(sourceDir / "docs/examples" / name, example.path() / name);
    ASSERT_EQ(runSim(example, "sound.lev --home home --frames 700 --date 2026-12-08T12:00:00"), 0);
    EXPECT_NE(readFile(example, recordsFile(example).lexically_relative(example.path()))
                  .find(" 700 700 2026-12-08T12:00:00Z c "),
              std::string::npos);
}

TEST(SimRecords, FourCopiesEndingTheirRunsAtOnceLoseNoRun) {
    TempDir dir;
    copyShippedData(dir);
    const std::string one = "'" + simBinary + "' --home home --frames 200 --date 2026-12-08T12:00:00";
    const std::string all = "cd '" + dir.path().string() + "' && (" + one + " & " + one + " & " +
                            one + " & " + one + " & wait)";
    ASSERT_EQ(std::system(all.c_str()), 0);
    const nlohmann::json records = recordsJson(dir);
    EXPECT_EQ(records["totals"]["runs"], 4);
    EXPECT_EQ(records["ships"][0]["best"].size(), 4u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "home/replays"),
                            std::filesystem::directory_iterator()),
              4);
}

TEST(SimRecords, ARunGoesOnWhenItsHomeCannotBeWritten) {
    TempDir dir;
    copyShippedData(dir);
    dir.write("home", "a file where the folder should be");
    ASSERT_EQ(runSim(dir, "--home home --frames 120 --hold z:0-119 --state-json state.json"), 0);
    EXPECT_NE(readFile(dir, "stderr.txt").find("Record not saved"), std::string::npos);
    EXPECT_EQ(intOf(readFile(dir, "state.json"), "frameCounter"), 120);
}

TEST(SimReplaysScreen, FireWatchesTheNewestRunToTheStateReplayGivesAndX4TakesAQuarter) {
    TempDir dir;
    copyShippedData(dir);
    recordedRun(dir, "--frames 600 --hold z:0-599", 1);
    recordedRun(dir, "--frames 300 --hold z:0-299 --hold left:0-100", 2);
    // Only the state of the world after the run: what --replay leaves and watching does.
    const auto world = [&dir](const std::string& name) {
        nlohmann::json state = nlohmann::json::parse(readFile(dir, name));
        return nlohmann::json{{"frameCounter", state["frameCounter"]},
                              {"players", state["players"]},
                              {"actors", state["actors"]},
                              {"emitters", state["emitters"]}};
    };
    const std::string watch = "--home home --screen replays --state-json watched.json ";
    for (const auto& [keys, file, steps] :
         {std::tuple{"--hold z:0-0 --frames 302", "run-20261208T120002Z.qfr", 300},
          std::tuple{"--hold down:0-0 --hold z:1-1 --frames 603", "run-20261208T120001Z.qfr",
                     600}}) {
        ASSERT_EQ(runSim(dir, watch + keys), 0) << readFile(dir, "stderr.txt");
        const std::string watched = readFile(dir, "watched.json");
        EXPECT_EQ(valueOf(watched, "screen"), "\"replays\"") << keys;
        ASSERT_EQ(runSim(dir, "--replay home/replays/" + std::string(file) +
                                  " --state-json played.json"),
                  0);
        EXPECT_EQ(intOf(watched, "frameCounter"), steps);
        EXPECT_TRUE(world("watched.json") == world("played.json")) << keys;
    }
    ASSERT_EQ(runSim(dir, "--replay home/replays/run-20261208T120002Z.qfr "
                          "--state-json played.json"),
              0);
    // One display frame short of the end it is still being watched.
    ASSERT_EQ(runSim(dir, watch + "--hold z:0-0 --frames 301"), 0);
    EXPECT_EQ(valueOf(readFile(dir, "watched.json"), "screen"), "\"game\"");
    // x2 from frame 2 and x4 from frame 4: 9 steps in four frames, then 4 a frame.
    ASSERT_EQ(runSim(dir, watch + "--hold z:0-0 --hold z:2-2 --hold z:4-4 --frames 77"), 0);
    EXPECT_EQ(intOf(readFile(dir, "watched.json"), "frameCounter"), 9 + 4 * 72);
    ASSERT_EQ(runSim(dir, watch + "--hold z:0-0 --hold z:2-2 --hold z:4-4 --frames 78"), 0);
    EXPECT_EQ(valueOf(readFile(dir, "watched.json"), "screen"), "\"replays\"");
    EXPECT_TRUE(world("watched.json") == world("played.json"));
    // Watching is not playing: nothing was recorded again.
    EXPECT_EQ(recordsJson(dir)["totals"]["runs"], 2);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "home/replays"),
                            std::filesystem::directory_iterator{}),
              2);
}

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
