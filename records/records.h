// Records of ended runs, one small text file per level set, and the replay library that
// keeps the replays of the runs worth keeping. Reading is strict and bounded (a file may
// come from anyone); every change is a read-modify-write under a lock file, written
// through a temporary file renamed into place. docs/records.md describes the format.
#pragma once

#include "core/replay.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The format this code writes and the only one it reads.
constexpr int recordsFormatVersion = 1;
// Largest records file read; a larger one is moved aside unread.
constexpr uint64_t maxRecordsFileBytes = uint64_t{4} << 20;
// Longest line of a records file.
constexpr size_t maxRecordsLineBytes = 512;
// Most definition files a level set lists.
constexpr size_t maxLevelSetFiles = 64;
// Most runs a file keeps one by one; past it the oldest runs that no table needs and
// that keep no replay are folded into the `earlier` totals.
constexpr size_t maxRecordedRuns = 20000;
// Scores a ship's table shows.
constexpr size_t tableSize = 10;
// Newest runs whose replays are kept whatever their scores.
constexpr size_t keptRecentReplays = 20;

// One ended run.
struct RunRecord {
    int32_t ship = 0;               // ship index
    std::string shipName;           // the ship's name in the level file (a token)
    int64_t score = 0;
    int32_t stage = 1;              // stage reached, counted from 1
    int64_t frame = 0;              // timeline frame reached
    uint32_t steps = 0;             // gameplay steps played
    std::string date;               // ISO 8601 UTC: 2026-12-08T12:00:00Z
    bool practice = false;          // did not start at the level's first frame
    bool cleared = false;           // the timeline ended with no hostile Actor left
    bool invincible = false;        // F4 was on at some time in the run
    bool pinned = false;            // its replay is never pruned
    std::string replay;             // the replay's file name in the replay folder, or ""
    // Field-by-field equality.
    bool operator==(const RunRecord&) const = default;
};

// What a level set's runs add up to.
struct RecordsTotals {
    uint64_t runs = 0;
    uint64_t steps = 0;             // gameplay steps played (60 a second)
    uint64_t clears = 0;
    // Field-by-field equality.
    bool operator==(const RecordsTotals&) const = default;
};

// The whole content of one records file.
struct RecordsFile {
    std::vector<ReplayDefinition> levelSet;  // the definition files, as replays name them
    RecordsTotals earlier;                   // runs folded away (maxRecordedRuns)
    std::vector<RunRecord> runs;             // oldest first
};

// Where records and replays live: `folder`/records and `folder`/replays.
struct RecordsPlace {
    std::string folder;             // empty: nothing is kept
    // The records folder.
    std::string recordsFolder() const { return folder + "/records"; }
    // The replay folder.
    std::string replayFolder() const { return folder + "/replays"; }
};

// ---- records_format.cpp

// The text of a records file.
std::string encodeRecords(const RecordsFile& records);
// Reads records text; false with a one-line reason in `why` when the file as a whole
// cannot be used (too big, not text, no or another header, another version, a bad level
// set line). Bad run lines are skipped and counted in `skipped`.
bool decodeRecords(std::string_view text, RecordsFile& out, size_t& skipped, std::string& why);
// The short word naming a reason decodeRecords gave, for a file name: "too-big",
// "not-text", "other-version", "bad-header".
std::string reasonWord(std::string_view why);
// "records-<16 hex digits>.txt": the file of a level set, from a hash of its names and
// hashes (the font's hash left out: it only draws text).
std::string recordsFileName(std::span<const ReplayDefinition> levelSet);
// True when two level sets name the same files with the same hashes (the font's hash
// left out).
bool sameLevelSet(std::span<const ReplayDefinition> a, std::span<const ReplayDefinition> b);
// "20261208T120000Z" from "2026-12-08T12:00:00Z" (the digits and T, then Z).
std::string compactDate(std::string_view date);
// True for "YYYY-MM-DDTHH:MM:SS" with an optional Z: the dates a run may carry.
bool validDate(std::string_view date);

// ---- records_queries.cpp

// Indices into `records.runs` of a ship's best scores, best first, at most `count`;
// practice and invincible runs never enter, and of equal scores the earlier run comes first.
std::vector<size_t> bestRuns(const RecordsFile& records, int32_t ship, size_t count = tableSize);
// A ship's best score, or nothing when it has none yet.
std::optional<int64_t> bestScore(const RecordsFile& records, int32_t ship);
// Runs, steps played and clears, the folded-away runs included.
RecordsTotals totalsOf(const RecordsFile& records);
// Clears the replay names of runs whose replays are not kept (the newest
// keptRecentReplays runs with a replay, every run in a ship's table, every pinned run);
// returns the file names dropped, for their files to be deleted.
std::vector<std::string> pruneReplays(RecordsFile& records);
// Folds the oldest runs past maxRecordedRuns that keep no replay and are in no table
// into the earlier totals.
void foldOldRuns(RecordsFile& records);

// ---- records_store.cpp

// What a change of the records did.
struct RecordsOutcome {
    std::string problem;            // "" or why it could not be saved
    std::string movedAside;         // the name an unreadable file was moved to, or ""
    size_t skipped = 0;             // bad run lines skipped in the file read
    std::string replay;             // appendRun: the kept replay's file name, or ""
};

// The records of a level set as they stand (an absent file is empty); `why` says why the
// file could not be read, and the records are then empty.
RecordsFile readRecords(const RecordsPlace& place, std::span<const ReplayDefinition> levelSet,
                        std::string& why);
// Appends the run and keeps its replay (when not null) under a new name in the replay
// folder, then prunes the replays. A file that cannot be read is first moved aside to a
// name with the reason and `date`. Locked against other copies of the game.
RecordsOutcome appendRun(const RecordsPlace& place, std::span<const ReplayDefinition> levelSet,
                         RunRecord run, const Replay* replay);
// Pins or unpins the run whose kept replay is `replayName`.
RecordsOutcome setPinned(const RecordsPlace& place, std::span<const ReplayDefinition> levelSet,
                         const std::string& replayName, bool pinned);
// Deletes a kept replay and clears its name in the records (the run itself stays).
RecordsOutcome deleteReplay(const RecordsPlace& place,
                            std::span<const ReplayDefinition> levelSet,
                            const std::string& replayName);
// The path of a kept replay.
std::string replayPath(const RecordsPlace& place, const std::string& replayName);
