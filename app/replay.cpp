// Recording runs into replays and playing them back: a run is its start (ship, generator
// state, definition files) and the held action bits of every gameplay step; check values
// every 300 steps and at the end find where a replay stops matching the game.
#include "app/app.h"

#include "core/game_state.h"
#include "core/hash.h"
#include "core/version.h"
#include "input/input.h"
#include "replay/replay_file.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <string>
#include <utility>

namespace {

// Steps between two check values of a recording.
constexpr uint32_t checkInterval = 300;

// Folds a 32-bit value into a hash.
uint64_t fold(uint64_t hash, uint32_t value) {
    for (int k = 0; k < 4; ++k) {
        hash ^= (value >> (8 * k)) & 0xFF;
        hash *= fnvPrime;
    }
    return hash;
}

// Folds a float, bit for bit.
uint64_t fold(uint64_t hash, float value) { return fold(hash, std::bit_cast<uint32_t>(value)); }

// Appends one step's held bits to a recording.
void appendStep(Replay& replay, uint16_t bits) {
    if (!replay.runs.empty() && replay.runs.back().bits == bits) {
        ++replay.runs.back().steps;
    } else {
        replay.runs.push_back({bits, 1});
    }
    ++replay.stepCount;
}

// Cuts a recording back to its first `steps` steps.
void keepFirstSteps(Replay& replay, uint32_t steps) {
    while (replay.stepCount > steps && !replay.runs.empty()) {
        ReplayRun& last = replay.runs.back();
        const uint32_t cut = std::min(last.steps, replay.stepCount - steps);
        last.steps -= cut;
        replay.stepCount -= cut;
        if (last.steps == 0) replay.runs.pop_back();
    }
    while (!replay.checks.empty() && replay.checks.back().step > steps) replay.checks.pop_back();
}

// The held bits of the next step played back; 0 past the end.
uint16_t nextPlayedBits() {
    ReplayState& r = app.replay;
    const auto& runs = r.played.runs;
    while (r.playedRun < runs.size() && r.stepsIntoRun >= runs[r.playedRun].steps) {
        ++r.playedRun;
        r.stepsIntoRun = 0;
    }
    if (r.playedRun >= runs.size()) return 0;
    ++r.stepsIntoRun;
    return runs[r.playedRun].bits;
}

// Ends the recording: the run's whole steps, the final check value, the file written.
void finishRecording() {
    ReplayState& r = app.replay;
    r.recording = false;
    const auto steps = static_cast<uint32_t>(std::max(game.clock.frameCounter, 0));
    keepFirstSteps(r.recorded, steps);
    if (steps > 0 && (r.recorded.checks.empty() || r.recorded.checks.back().step != steps))
        r.recorded.checks.push_back({steps, r.lastStepCheck});
    if (r.recordPath.empty()) return;  // kept for the records only
    std::string why;
    r.writeFailed = !writeReplayFile(r.recordPath, r.recorded, why);
    if (!r.writeFailed) return;
    std::fprintf(stderr, "could not write the replay %s: %s\n", r.recordPath.c_str(),
                 why.c_str());
    noteSaveProblem("Replay not saved: " + why);
}

}  // namespace

uint64_t replayCheckValue() {
    uint64_t h = fnvOffset;
    if (!game.world.players.empty()) {
        const Player& p = game.world.players[0];
        for (float v : {p.x, p.y, p.heading, p.hitRadius, p.speed, p.shotCooldown,
                        p.specialTimer, p.specialTimerFull, p.scoreMultiplier, p.targetHp,
                        p.targetHpMax})
            h = fold(h, v);
        for (int32_t v : {p.modelIndex, p.shipIndex, p.disabledSteps, p.invulnerableSteps,
                          p.score})
            h = fold(h, static_cast<uint32_t>(v));
    }
    h = fold(h, static_cast<uint32_t>(game.world.actors.size()));
    h = fold(h, game.rng.state);
    return fold(h, static_cast<uint32_t>(game.clock.frameCounter));
}

void armRecording(const std::string& path) {
    app.replay.armed = true;
    app.replay.recordPath = path;
}

void preparePlayback(Replay replay, const std::string& path, bool returnToSelection) {
    ReplayState& r = app.replay;
    r.played = std::move(replay);
    r.playedPath = path;
    r.pendingPlayback = true;
    r.returnToSelection = returnToSelection;
}

std::string definitionsMismatch(const Replay& replay) {
    const auto& loaded = game.defs.loadedFiles;
    const auto& recorded = replay.definitions;
    for (size_t k = 0; k < loaded.size() && k < recorded.size(); ++k) {
        if (loaded[k].path != recorded[k].name)
            return "recorded with other definition files: " + recorded[k].name + " where " +
                   loaded[k].path + " is loaded now";
        // The font only draws text: a run plays the same whatever its glyphs look like.
        const bool font = k == 1 && loaded[k].path == "font.vec";
        if (loaded[k].hash != recorded[k].hash && !font)
            return "recorded with other definition files: " + loaded[k].path + " has changed";
    }
    if (loaded.size() != recorded.size())
        return "recorded with other definition files: " + std::to_string(recorded.size()) +
               " files then, " + std::to_string(loaded.size()) + " now";
    return {};
}

void beginReplayRun() {
    // The run entering gameplay starts: playback sets the recorded ship and generator
    // state, and an armed recording notes them (after the playback's, when both happen).
    // Neither kind of run is played invincible.
    ReplayState& r = app.replay;
    if (r.pendingPlayback || r.armed) game.invincible = false;
    if (r.pendingPlayback) {
        r.pendingPlayback = false;
        r.playing = true;
        r.playedRun = 0;
        r.stepsIntoRun = 0;
        r.nextCheck = 0;
        r.desyncStep = 0;
        app.shell.chosenShip = r.played.ship;
        game.rng.state = r.played.rngState;
    }
    // Every run played (not one watched) is recorded for the records, in memory; an armed
    // recording (--record) also writes its file.
    const bool keep = app.records.wanted && !r.playing;
    if (r.armed || keep) {
        if (!r.armed) r.recordPath.clear();
        r.armed = false;
        r.recording = true;
        r.recorded = Replay{};
        r.recorded.gameVersion = std::string(gameVersion);
        r.recorded.definitions = definitionsOf(game.defs.loadedFiles);
        r.recorded.ship = app.shell.chosenShip;
        r.recorded.rngState = game.rng.state;
        r.recorded.startFrame = r.playing ? r.played.startFrame : app.shell.startFrame;
        r.lastStepCheck = 0;
    }
    app.records.keeping = false;
    if (keep) beginRecordedRun();
}

void sampleStepInput() {
    if (app.replay.playing) {
        readInputReplaying(nextPlayedBits());
    } else {
        readInput();
    }
    if (app.replay.recording) appendStep(app.replay.recorded, heldBits());
}

void afterReplayStep() {
    ReplayState& r = app.replay;
    if (!r.recording && !r.playing) return;
    const auto step = static_cast<uint32_t>(game.clock.frameCounter);
    const uint64_t value = replayCheckValue();
    if (r.recording) {
        noteRecordedStep();
        r.lastStepCheck = value;
        if (step % checkInterval == 0) r.recorded.checks.push_back({step, value});
    }
    if (!r.playing) return;
    const auto& checks = r.played.checks;
    while (r.nextCheck < checks.size() && checks[r.nextCheck].step <= step) {
        const ReplayCheck& check = checks[r.nextCheck++];
        if (check.step == step && check.value != value && r.desyncStep == 0) {
            r.desyncStep = step;
            r.desyncRecorded = check.value;
            r.desyncComputed = value;
        }
    }
}

bool playbackFinished() {
    const ReplayState& r = app.replay;
    return r.playing && game.clock.frameCounter >= 0 &&
           static_cast<uint32_t>(game.clock.frameCounter) >= r.played.stepCount;
}

void endReplayRun() {
    if (app.replay.recording) finishRecording();
    if (app.records.keeping) recordEndedRun();
    app.replay.playing = false;
}
