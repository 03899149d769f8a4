// Input runners shared by the fuzzers, the regression tests and the hostile-input tests:
// each feeds one input through a loader or the gameplay loop and reports the first
// invariant it saw broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// Marks where one part of a multi-file input ends and the next begins.
inline constexpr std::string_view inputSeparator = "\n%%%%\n";

// The input cut at separators into exactly `parts` pieces: missing pieces are empty, and
// the last piece keeps any further separators.
std::vector<std::string_view> splitInput(std::span<const uint8_t> bytes, size_t parts);

// A directory private to this process for the files one input is written to; it is
// removed when the process ends normally.
const std::filesystem::path& scratchDirectory();
// Writes `content` to `name` in the scratch directory and returns the full path.
std::string writeScratchFile(std::string_view name, std::string_view content);

// Every file of tests/regressions/<fuzzer>/ under `sourceDir`, sorted by name.
std::vector<std::filesystem::path> regressionFiles(const std::string& sourceDir,
                                                   std::string_view fuzzer);
// The whole content of a file; empty if it cannot be read.
std::vector<uint8_t> readBytes(const std::filesystem::path& path);

// Peak resident memory of this process so far, in bytes (0 where it cannot be read).
size_t peakResidentBytes();
// Resident memory of this process now, in bytes (0 where it cannot be read).
size_t residentBytes();

// What one run saw. `problem` is empty when every invariant held.
struct RunReport {
    std::string problem;
    size_t steps = 0;          // gameplay steps run
    size_t maxActors = 0;      // largest Actor list seen after a step
    size_t maxEmitters = 0;    // largest Emitter list seen after a step
    int64_t maxScriptWork = 0; // most script work one step spent
};

// The controls file made of `bytes`, read by readControlsFile.
RunReport runControlsInput(std::span<const uint8_t> bytes);

// base.vec, font.vec and one level file made of the three separated parts of `bytes`,
// loaded in the start-up order.
RunReport runDefinitionsInput(std::span<const uint8_t> bytes);

// Replay bytes decoded by decodeReplay. A refusal must give one of the known one-line
// reasons and leave the replay alone; a replay that decodes must encode back to the very
// same bytes.
RunReport runReplayInput(std::span<const uint8_t> bytes);

// What a gameplay run loads and how it plays.
struct GameplaySetup {
    std::string baseFile, fontFile;        // base.vec and font.vec
    std::string controlsFile;              // quillfray.cfg
    std::vector<std::string> levelFiles;   // loaded in order after the font
    std::span<const uint8_t> inputs;       // step k uses byte k mod size: bit a holds action a
    size_t steps = 600;                    // gameplay steps to run
    size_t renderEvery = 1;                // draw the playfield every this many steps (0: never)
    // Stop early once the steps have updated this many Actors in all (0: never). A
    // level that fills the Actor list costs 100,000 updates a step: fuzzing learns
    // nothing more from its 600th step than from its 20th.
    size_t actorUpdateBudget = 0;
};

// A setup that reads base.vec, font.vec and quillfray.cfg from `dataDir`.
GameplaySetup setupFromDataDir(const std::string& dataDir);

// Loads the data files and the levels, enters gameplay and runs the steps, checking the
// world after each one.
RunReport playLevels(const GameplaySetup& setup);

// Gameplay fuzz input: level bytes, a separator, then one input byte per step. Played for
// up to 600 steps within an Actor update budget.
RunReport runGameplayInput(std::span<const uint8_t> bytes, const std::string& dataDir);

}  // namespace testing_support
