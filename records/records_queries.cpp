// What the screens ask of the records: a ship's table of best scores, its best score,
// the totals; and which replays the library keeps.
#include "records/records.h"

#include <algorithm>
#include <set>

namespace {

// Every ship index that has a run.
std::set<int32_t> shipsOf(const RecordsFile& records) {
    std::set<int32_t> ships;
    for (const RunRecord& run : records.runs) ships.insert(run.ship);
    return ships;
}

// Per run: whether it stands in its ship's table.
std::vector<bool> inAnyTable(const RecordsFile& records) {
    std::vector<bool> marked(records.runs.size(), false);
    for (int32_t ship : shipsOf(records))
        for (size_t k : bestRuns(records, ship)) marked[k] = true;
    return marked;
}

}  // namespace

std::vector<size_t> bestRuns(const RecordsFile& records, int32_t ship, size_t count) {
    std::vector<size_t> found;
    for (size_t k = 0; k < records.runs.size(); ++k) {
        const RunRecord& run = records.runs[k];
        if (run.ship == ship && !run.practice && !run.invincible) found.push_back(k);
    }
    std::stable_sort(found.begin(), found.end(), [&](size_t a, size_t b) {
        return records.runs[a].score > records.runs[b].score;
    });
    if (found.size() > count) found.resize(count);
    return found;
}

std::optional<int64_t> bestScore(const RecordsFile& records, int32_t ship) {
    const std::vector<size_t> best = bestRuns(records, ship, 1);
    if (best.empty()) return std::nullopt;
    return records.runs[best[0]].score;
}

RecordsTotals totalsOf(const RecordsFile& records) {
    RecordsTotals totals = records.earlier;
    for (const RunRecord& run : records.runs) {
        totals.runs += 1;
        totals.steps += run.steps;
        totals.clears += run.cleared ? 1 : 0;
    }
    return totals;
}

std::vector<std::string> pruneReplays(RecordsFile& records) {
    std::vector<bool> keep = inAnyTable(records);
    size_t recent = 0;
    for (size_t k = records.runs.size(); k-- > 0;) {
        const RunRecord& run = records.runs[k];
        if (run.replay.empty()) continue;
        if (run.pinned || recent < keptRecentReplays) keep[k] = true;
        ++recent;
    }
    std::vector<std::string> dropped;
    for (size_t k = 0; k < records.runs.size(); ++k) {
        RunRecord& run = records.runs[k];
        if (keep[k] || run.replay.empty()) continue;
        dropped.push_back(run.replay);
        run.replay.clear();
    }
    return dropped;
}

void foldOldRuns(RecordsFile& records) {
    if (records.runs.size() <= maxRecordedRuns) return;
    size_t excess = records.runs.size() - maxRecordedRuns;
    const std::vector<bool> table = inAnyTable(records);
    std::vector<RunRecord> kept;
    kept.reserve(records.runs.size());
    for (size_t k = 0; k < records.runs.size(); ++k) {
        RunRecord& run = records.runs[k];
        if (excess > 0 && !table[k] && run.replay.empty()) {
            --excess;
            records.earlier.runs += 1;
            records.earlier.steps += run.steps;
            records.earlier.clears += run.cleared ? 1 : 0;
            continue;
        }
        kept.push_back(std::move(run));
    }
    records.runs = std::move(kept);
}
