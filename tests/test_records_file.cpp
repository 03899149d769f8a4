// The records file: its text reads back to the same records, hostile files (huge, binary,
// another version, bad lines) are refused or skipped line by line, the score tables leave
// practice and F4 runs out, and the store moves an unreadable file aside and pins and
// deletes kept replays.
#include "records/records.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using testing_support::TempDir;

namespace {

// A level set of three files.
const std::vector<ReplayDefinition> levelSet = {
    {"base.vec", 0x1234}, {"font.vec", 0x5678}, {"my level.lev", 0x9abc}};

// A run of ship `ship` with `score`, dated on 2026-12-08.
RunRecord runOf(int32_t ship, int64_t score) {
    RunRecord run;
    run.ship = ship;
    run.shipName = "lance";
    run.score = score;
    run.stage = 2;
    run.frame = 4000;
    run.steps = 3600;
    run.date = "2026-12-08T12:00:00Z";
    return run;
}

// Decodes `text`, expecting it refused; the reason.
std::string refusal(std::string_view text) {
    RecordsFile out;
    size_t skipped = 0;
    std::string why;
    EXPECT_FALSE(decodeRecords(text, out, skipped, why));
    return why;
}

}  // namespace

TEST(RecordsFile, TextReadsBackToTheSameRecords) {
    RecordsFile records;
    records.levelSet = levelSet;
    records.earlier = {5, 9000, 1};
    records.runs = {runOf(0, 120), runOf(1, -3), runOf(2, 7)};
    records.runs[0].practice = records.runs[0].pinned = true;
    records.runs[1].cleared = records.runs[1].invincible = true;
    records.runs[2].replay = "run-20261208T120000Z-2.qfr";
    RecordsFile back;
    size_t skipped = 9;
    std::string why;
    ASSERT_TRUE(decodeRecords(encodeRecords(records), back, skipped, why)) << why;
    EXPECT_EQ(skipped, 0u);
    EXPECT_EQ(back.levelSet, records.levelSet);
    EXPECT_EQ(back.earlier, records.earlier);
    EXPECT_EQ(back.runs, records.runs);
    EXPECT_EQ(totalsOf(back), (RecordsTotals{8, 9000 + 3 * 3600, 2}));
}

TEST(RecordsFile, HostileFilesAreRefusedAndBadRunLinesSkipped) {
    EXPECT_EQ(refusal(std::string(maxRecordsFileBytes + 1, 'a')).substr(0, 7), "too big");
    EXPECT_EQ(refusal(std::string("quillfray-records 1\n\x01\x02\xff", 23)), "not text");
    EXPECT_EQ(refusal("quillfray-records 2\n"), "unknown format version 2");
    EXPECT_EQ(refusal(""), "not a records file");
    EXPECT_EQ(refusal("records 1\n"), "not a records file");
    EXPECT_EQ(refusal("quillfray-records 1\nfile 12 base.vec\n"), "bad level set at line 2");
    EXPECT_EQ(reasonWord("unknown format version 2"), "other-version");

    const std::string good = "run 0 10 1 0 60 2026-12-08T12:00:00Z - - lance\n";
    const std::string text = "quillfray-records 1\nfile 0000000000001234 base.vec\n" + good +
                             "run 0 10 1 0 60 2026-13-08 - - lance\n"          // bad date
                             "run 0 10 1 0 60 2026-12-08T12:00:00Z - ../x lance\n"  // a path
                             "run 0 10 1 0 60 2026-12-08T12:00:00Z cp - lance\n"    // order
                             "run 0 10 1 0 60 2026-12-08T12:00:00Z - - lance extra\n" +
                             "run " + std::string(600, '1') + "\n" + "what is this\n" + good;
    RecordsFile out;
    size_t skipped = 0;
    std::string why;
    ASSERT_TRUE(decodeRecords(text, out, skipped, why)) << why;
    EXPECT_EQ(out.runs.size(), 2u);
    EXPECT_EQ(skipped, 6u);
}

TEST(RecordsFile, TablesLeavePracticeAndInvincibleRunsOutAndKeepEarlierTiesFirst) {
    RecordsFile records;
    for (int64_t score : {50, 70, 50, 90, 10}) records.runs.push_back(runOf(0, score));
    records.runs.push_back(runOf(0, 1000));
    records.runs.back().practice = true;
    records.runs.push_back(runOf(0, 2000));
    records.runs.back().invincible = true;
    records.runs.push_back(runOf(1, 5));
    EXPECT_EQ(bestRuns(records, 0), (std::vector<size_t>{3, 1, 0, 2, 4}));
    EXPECT_EQ(bestRuns(records, 0, 2), (std::vector<size_t>{3, 1}));
    EXPECT_EQ(bestScore(records, 1), 5);
    EXPECT_FALSE(bestScore(records, 2).has_value());
}

TEST(RecordsFile, AnUnreadableFileIsMovedAsideAndKeptReplaysArePinnedAndDeleted) {
    TempDir dir;
    const RecordsPlace place{dir.path().string()};
    std::filesystem::create_directories(dir.path() / "records");
    const std::filesystem::path file = dir.path() / "records" / recordsFileName(levelSet);
    dir.write("records/" + recordsFileName(levelSet), "quillfray-records 7\n");
    Replay replay;
    replay.definitions = levelSet;
    RecordsOutcome outcome = appendRun(place, levelSet, runOf(0, 40), &replay);
    ASSERT_EQ(outcome.problem, "");
    EXPECT_EQ(outcome.movedAside, file.string() + ".other-version-20261208T120000Z");
    EXPECT_TRUE(std::filesystem::exists(outcome.movedAside));
    EXPECT_EQ(outcome.replay, "run-20261208T120000Z.qfr");
    EXPECT_TRUE(std::filesystem::exists(replayPath(place, outcome.replay)));

    ASSERT_EQ(setPinned(place, levelSet, outcome.replay, true).problem, "");
    std::string why;
    EXPECT_TRUE(readRecords(place, levelSet, why).runs.at(0).pinned);
    EXPECT_NE(setPinned(place, levelSet, "none.qfr", true).problem, "");
    ASSERT_EQ(deleteReplay(place, levelSet, outcome.replay).problem, "");
    const RecordsFile after = readRecords(place, levelSet, why);
    EXPECT_EQ(after.runs.at(0).replay, "");
    EXPECT_EQ(after.runs.at(0).score, 40);
    EXPECT_FALSE(std::filesystem::exists(replayPath(place, outcome.replay)));
}
