// A recorded run: what it started from, the held action bits of every gameplay step,
// and check values to find where a replay stops matching. replay/ reads and writes the
// files; app/ records and plays runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One definition file the run was loaded from: its name as given and the hash of its
// definition text as loaded.
struct ReplayDefinition {
    std::string name;
    uint64_t hash = 0;
    // Field-by-field equality (a decoded file against what was encoded).
    bool operator==(const ReplayDefinition&) const = default;
};

// Consecutive steps with the same held bits.
struct ReplayRun {
    uint16_t bits = 0;        // bit k: entry k of actionHeld (entries 1..14) was held
    uint32_t steps = 0;       // at least 1
    // Field-by-field equality.
    bool operator==(const ReplayRun&) const = default;
};

// The check value of the state after step `step` (steps counted from 1).
struct ReplayCheck {
    uint32_t step = 0;
    uint64_t value = 0;
    // Field-by-field equality.
    bool operator==(const ReplayCheck&) const = default;
};

// A whole recorded run.
struct Replay {
    std::string gameVersion;                   // the game that recorded it
    std::vector<ReplayDefinition> definitions; // in load order
    int32_t ship = 0;                          // ship index the run was played with
    uint32_t rngState = 1;                     // game generator state before the run's newGame
    int32_t startFrame = 0;                    // timeline frame the run began with (0..)
    uint32_t stepCount = 0;                    // gameplay steps recorded (sum of the runs)
    std::vector<ReplayRun> runs;               // held bits, step by step, run-length coded
    std::vector<ReplayCheck> checks;           // ascending steps, each 1..stepCount
    // Field-by-field equality.
    bool operator==(const Replay&) const = default;
};
