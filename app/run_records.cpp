// Every gameplay run ends in the records of its level set, with its replay kept in the
// replay library: what the run was (ship, score, stage, steps, practice, cleared, F4),
// where the records live, the best scores the screens show, and the clear test.
#include "app/app.h"

#include "core/game_state.h"
#include "records/records.h"
#include "replay/replay_file.h"
#include "sim/sim.h"

#include <algorithm>
#include <cstdio>

namespace {

// The date of a run ending now: the given one, else the clock's.
std::string runDate() {
    const std::string& given = app.records.date;
    if (given.empty()) return wallClockDateUtc();
    return given.back() == 'Z' ? given : given + "Z";
}

// Says on stderr and in the left strip that the record was not kept as it should be.
void tellSaveProblem(const std::string& what) {
    std::fprintf(stderr, "quillfray: %s\n", what.c_str());
    noteSaveProblem(what);
}

// Lets the platform know that the records or the kept replays changed.
void tellRecordsChanged() {
    if (app.records.afterChange != nullptr) app.records.afterChange();
}

}  // namespace

std::string userDataFolder(const char* xdgDataHome, const char* home) {
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/')
        return std::string(xdgDataHome) + "/quillfray";
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/share/quillfray";
    return {};
}

bool playfieldClear() {
    if (timelineFrame() < game.defs.timelineLength) return false;
    return std::none_of(game.world.actors.begin(), game.world.actors.end(),
                        [](const Actor& actor) { return actor.owner == 0; });
}

void refreshBestScores() {
    RunRecordsState& records = app.records;
    records.bestScores.assign(game.defs.shipRegistry.size(), std::nullopt);
    if (!records.wanted || records.place.folder.empty()) return;
    std::string why;
    const RecordsFile file = loadedRecords(why);
    for (size_t ship = 0; ship < records.bestScores.size(); ++ship)
        records.bestScores[ship] = bestScore(file, static_cast<int32_t>(ship));
}

void beginRecordedRun() {
    RunRecordsState& records = app.records;
    records.keeping = true;
    records.invincibleSeen = game.invincible;
    records.cleared = false;
    records.ship = app.shell.chosenShip;
    const auto& ships = game.defs.shipRegistry;
    const auto index = static_cast<size_t>(records.ship);
    records.shipName = index < ships.size() ? ships[index].name : std::string();
}

void noteRecordedStep() {
    RunRecordsState& records = app.records;
    if (!records.keeping) return;
    if (game.invincible) records.invincibleSeen = true;
    if (!records.cleared && playfieldClear()) records.cleared = true;
}

void recordEndedRun() {
    RunRecordsState& records = app.records;
    records.keeping = false;
    const Replay& replay = app.replay.recorded;
    if (replay.stepCount == 0) return;  // nothing was played
    RunRecord run;
    run.ship = records.ship;
    run.shipName = records.shipName;
    run.score = game.world.players.empty() ? 0 : game.world.players[0].score;
    run.frame = timelineFrame();
    run.stage = std::max(1, stageAt(run.frame));
    run.steps = replay.stepCount;
    run.date = runDate();
    run.practice = replay.startFrame != 0;
    run.cleared = records.cleared || playfieldClear();
    run.invincible = records.invincibleSeen || game.invincible;
    const RecordsOutcome outcome = appendRun(records.place, replay.definitions, run, &replay);
    if (!outcome.movedAside.empty())
        tellSaveProblem("Records file could not be read; moved aside to " +
                        outcome.movedAside.substr(outcome.movedAside.rfind('/') + 1));
    if (outcome.problem.starts_with("replay not kept"))
        tellSaveProblem("Replay not kept: " + outcome.problem.substr(outcome.problem.find(':') + 2));
    else if (!outcome.problem.empty())
        tellSaveProblem("Record not saved: " + outcome.problem);
    refreshBestScores();
    tellRecordsChanged();
}

RecordsFile loadedRecords(std::string& why) {
    return readRecords(app.records.place, definitionsOf(game.defs.loadedFiles), why);
}

std::string pinKeptReplay(const std::string& replayName, bool pinned) {
    const std::string why =
        setPinned(app.records.place, definitionsOf(game.defs.loadedFiles), replayName, pinned)
            .problem;
    tellRecordsChanged();
    return why;
}

std::string deleteKeptReplay(const std::string& replayName) {
    const std::string why =
        deleteReplay(app.records.place, definitionsOf(game.defs.loadedFiles), replayName).problem;
    refreshBestScores();
    tellRecordsChanged();
    return why;
}
