// Command-line options of quillfray-sim.
#pragma once

#include "tools/sim/key_holds.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The screen a run starts on.
enum class SimScreen { Game, Select, Controls, Menu, Options, Records, Practice, Replays };

// Everything the command line can ask of the simulator.
struct SimOptions {
    std::vector<std::string> levelFiles;  // loaded like the game's arguments, in order
    std::string defsJson;                 // --defs-json: where to dump the registries
    std::string dataDir;                  // --data: the folder files are read from

    // The run: set by any of the options below; without it the tool only loads and dumps.
    bool run = false;
    int32_t frames = 0;                   // --frames: display frames to run
    int32_t ship = 0;                     // --ship: chosenShip of the run
    uint32_t seed = 1;                    // --seed: game.rng seed before the run's entry
    std::optional<double> dt;             // --dt: seconds per frame; none: one step a frame
    SimScreen screen = SimScreen::Game;   // --screen
    std::vector<KeyHold> holds;           // --hold, in command-line order
    std::string stateJson;                // --state-json
    std::string traceJson;                // --trace-json
    std::string eventsJsonl;              // --events-jsonl
    std::string opsJsonl;                 // --ops-jsonl
    std::string png;                      // --png
    std::string wav;                      // --wav: the run's sound
    bool mute = false;                    // --mute: the sound muted
    bool overlay = false;                 // --overlay: the debug overlay is drawn
    std::string record;                   // --record: write the gameplay run as a replay
    std::string replay;                   // --replay: play this replay's run
    bool verify = false;                  // --verify: compare the replay's check values
    bool force = false;                   // --force: play on other definition files
    std::string rerecord;                 // --rerecord: record the replayed run afresh
    std::string startOption, startValue;  // --start-frame or --stage and its value
    std::string home;                     // --home: records (and settings) kept in this folder
    std::string date;                     // --date: the date every recorded run carries
    bool printRecords = false;            // --print-records: the records as text on stdout
    std::string recordsJson;              // --records-json: the records as JSON
    bool framesGiven = false;             // an option given that shapes the run itself
                                          // (--frames, --hold, ...: none goes with --replay)
};

// What parsing the command line decided.
struct SimOptionsResult {
    enum class Outcome { Run, Help, Version, Error };
    Outcome outcome = Outcome::Run;
    SimOptions options;
    std::string error;                    // for Outcome::Error
};

// Parses the arguments after the program name. "--" ends the options; "--name=value"
// and "--name value" are both accepted.
SimOptionsResult parseSimOptions(const std::vector<std::string_view>& args);
// The usage text printed for --help and after errors.
std::string simUsage();
