// The command line of every program (the game, quillfray-sim, quillfray-check), parsed by
// CLI11: the other arguments are level files, the shared options (--data, --start-frame
// and --stage, --help, --version) are defined once here, each program adds its own
// options, and what went wrong comes back in one form for each program to word.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the shared options read.
struct CommonOptions {
    std::vector<std::string> levelFiles;  // every other argument, in order ("--" ends options)
    std::string dataDir;                  // --data: a folder that can be read
    std::string startOption, startValue;  // --start-frame or --stage (the last given), its value
    std::string startProblem;             // both given (StartOptions::ShowClash): why neither
    enum class Stop { No, Help, Version } stop = Stop::No;  // print the usage or the version
};

// What a program does with --start-frame and --stage.
enum class StartOptions {
    None,         // it takes neither (quillfray-check)
    ShowClash,    // both given: noted in startProblem, for the game to show on screen
    RefuseClash,  // both given: a wrong command line (quillfray-sim)
};

// A wrong command line, for each program to word as it always has.
struct CommandLineError {
    enum class Kind { UnknownOption, NeedsValue, TakesNoValue, BadValue };
    Kind kind = Kind::BadValue;
    std::string what;        // the argument as given, the option's name, or (BadValue) why
    bool showUsage = false;  // BadValue: the usage text goes with the reason
};

// ---- command_line.cpp

// Adds the shared options to `app` in place of CLI11's own help flag; `helpNames` spells
// --help in CLI11's form ("--help", "-h,--help").
void addCommonOptions(CLI::App& app, CommonOptions& common, StartOptions start,
                      const std::string& helpNames = "--help");
// Adds the option `name`, which takes one value or (takesValue false) none; `apply` runs
// the moment it is read, with the value ("" for none), and may call refuseValue.
void addOption(CLI::App& app, const std::string& name, bool takesValue,
               std::function<void(const std::string& value)> apply);
// Ends the reading: the value just read cannot be used, for `why`.
[[noreturn]] void refuseValue(std::string why, bool showUsage = false);
// Reads `args` (the arguments after the program's name) with `app`, options in the order
// given; the first thing found wrong, if any. Reading stops at --help or --version.
std::optional<CommandLineError> parseCommandLine(CLI::App& app,
                                                 std::span<const std::string_view> args);
// What --version prints: "PROGRAM VERSION" and a newline.
std::string versionLine(std::string_view program);
