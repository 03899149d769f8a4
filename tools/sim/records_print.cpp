// The records of the loaded level set as quillfray-sim prints them (--print-records) and
// writes them (--records-json).
#include "tools/sim/records_print.h"

#include "core/game_state.h"
#include "records/records.h"
#include "replay/replay_file.h"
#include "tools/sim/json_text.h"

#include <filesystem>

namespace {

// The records of the loaded level set kept in `folder`.
RecordsFile loadedRecords(const std::string& folder, std::string& why) {
    return readRecords(RecordsPlace{folder}, definitionsOf(game.defs.loadedFiles), why);
}

// True when the run's replay file is there.
bool replayKept(const std::string& folder, const RunRecord& run) {
    std::error_code error;
    return !run.replay.empty() &&
           std::filesystem::is_regular_file(replayPath(RecordsPlace{folder}, run.replay), error);
}

// The name of ship `ship` in the loaded level.
std::string shipName(size_t ship) { return game.defs.shipRegistry[ship].name; }

}  // namespace

std::string recordsText(const std::string& folder, std::string& why) {
    const RecordsFile records = loadedRecords(folder, why);
    std::string text = "Records of";
    for (const ReplayDefinition& file : records.levelSet) text += " " + file.name;
    text += "\n";
    for (size_t ship = 0; ship < game.defs.shipRegistry.size(); ++ship) {
        text += "ship " + std::to_string(ship) + " " + shipName(ship) + "\n";
        const std::vector<size_t> best = bestRuns(records, static_cast<int32_t>(ship));
        if (best.empty()) text += "  no score yet\n";
        for (size_t k = 0; k < best.size(); ++k) {
            const RunRecord& run = records.runs[best[k]];
            text += "  " + std::to_string(k + 1) + ". " + std::to_string(run.score) + " stage " +
                    std::to_string(run.stage) + " " + run.date +
                    (replayKept(folder, run) ? " replay " + run.replay : " no replay") + "\n";
        }
    }
    const RecordsTotals totals = totalsOf(records);
    text += "runs " + std::to_string(totals.runs) + ", steps played " +
            std::to_string(totals.steps) + " (" + std::to_string(totals.steps / 60) +
            " s), clears " + std::to_string(totals.clears) + "\n";
    return text;
}

std::string recordsJsonText(const std::string& folder, std::string& why) {
    const RecordsFile records = loadedRecords(folder, why);
    Json doc = Json::object();
    Json files = Json::array();
    for (const ReplayDefinition& file : records.levelSet) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(file.hash));
        files.push_back(Json{{"name", file.name}, {"hash", hash}});
    }
    doc["levelSet"] = files;
    Json ships = Json::array();
    for (size_t ship = 0; ship < game.defs.shipRegistry.size(); ++ship) {
        Json table = Json::array();
        for (size_t k : bestRuns(records, static_cast<int32_t>(ship))) {
            const RunRecord& run = records.runs[k];
            table.push_back(Json{{"score", run.score},     {"stage", run.stage},
                                 {"frame", run.frame},     {"steps", run.steps},
                                 {"date", run.date},       {"cleared", run.cleared},
                                 {"pinned", run.pinned},   {"replay", run.replay},
                                 {"replayKept", replayKept(folder, run)}});
        }
        ships.push_back(Json{{"ship", ship}, {"name", shipName(ship)}, {"best", table}});
    }
    doc["ships"] = ships;
    const RecordsTotals totals = totalsOf(records);
    doc["totals"] = Json{{"runs", totals.runs}, {"steps", totals.steps}, {"clears", totals.clears}};
    doc["runs"] = records.runs.size();
    return jsonText(doc, JsonLines{{"levelSet"}, {"ships"}}) + "\n";
}
