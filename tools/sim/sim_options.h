// Command-line options of quillfray-sim.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Everything the command line can ask of the simulator.
struct SimOptions {
    std::vector<std::string> levelFiles;  // loaded like the game's arguments, in order
    std::string defsJson;                 // --defs-json: where to dump the registries
};

// What parsing the command line decided.
struct SimOptionsResult {
    enum class Outcome { Run, Help, Error };
    Outcome outcome = Outcome::Run;
    SimOptions options;
    std::string error;                    // for Outcome::Error
};

// Parses the arguments after the program name.
SimOptionsResult parseSimOptions(const std::vector<std::string_view>& args);
// The usage text printed for --help and after errors.
std::string simUsage();
