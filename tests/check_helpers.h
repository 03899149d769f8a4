// Helpers of the quillfray-check tests: a small game that passes the check, and a way to
// run the check over it with one file changed.
#pragma once

#include "tests/support/support.h"
#include "check/check.h"

#include <filesystem>
#include <string>
#include <vector>

namespace check_test {

// base.vec of a small game without a single warning.
inline const std::string cleanBase =
    "model none { }\n"
    "model pellet { line 0 -0.01 0 0.01 hitc 0 0 0.01 }\n"
    "model ship_frame { line -0.05 -0.05 0.05 -0.05 }\n"
    "model dart { line 0 -0.02 0.01 0.02 }\n"
    "script nothing { }\n"
    "script clear { }\n"
    "script shot_hit { cmd spawn { model pellet } }\n"
    "script player_die { cmd spawn { model pellet count 8 } }\n"
    "script demo { cmd spawn { model pellet } }\n"
    "script zap { cmd spawn { model pellet speed 0.02 } }\n"
    "ship arrow { model dart shot1 zap shot2 zap bomb zap bombeffect zap powershot zap }\n";
// font.vec of the small game.
inline const std::string cleanFont = "model sym_ { }\nmodel syma { line 0 0 1 1 }\n";

// One warning with its file name (without directory).
struct Found {
    std::string file;
    uint32_t line = 0, column = 0;
    std::string message;
};

// Runs the check on the three files written into a fresh directory (an empty string
// leaves that file out). More level files may follow default.lev.
inline std::vector<Found> runOn(const std::string& base, const std::string& font,
                                const std::vector<std::string>& levels) {
    testing_support::TempDir dir;
    CheckInput input;  // relative names, read in the directory as the game would
    if (!base.empty()) dir.write("base.vec", base);
    if (!font.empty()) dir.write("font.vec", font);
    for (size_t i = 0; i < levels.size(); ++i) {
        const std::string name = i == 0 ? "default.lev" : "level" + std::to_string(i + 1) + ".lev";
        dir.write(name, levels[i]);
        input.levelFiles.push_back(name);
    }
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const CheckResult result = runCheck(input);
    std::filesystem::current_path(before);
    std::vector<Found> found;
    for (const Diagnostic& d : result.sink.diagnostics)
        found.push_back({std::filesystem::path(result.sink.files[d.pos.file]).filename().string(),
                         d.pos.line, d.pos.column, d.message});
    return found;
}

// The warnings as text, for failure messages.
inline std::string listing(const std::vector<Found>& found) {
    std::string out;
    for (const Found& f : found)
        out += f.file + ":" + std::to_string(f.line) + ":" + std::to_string(f.column) + ": " + f.message + "\n";
    return out;
}

}  // namespace check_test
