// quillfray-check: reports, compiler style, everything the game would silently skip,
// cut or misread in its definition files.
#include "app/command_line.h"
#include "check/check.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The usage text.
constexpr std::string_view usage =
    "usage: quillfray-check [--werror] [--data DIR] [FILE...]\n"
    "\n"
    "Loads the definition files exactly as the game does and reports, as\n"
    "FILE:LINE:COLUMN: warning: MESSAGE, everything the game would silently skip,\n"
    "cut or misread.\n"
    "\n"
    "Files: base.vec and font.vec are read from the working directory when present\n"
    "(a missing one is reported). With no FILE, default.lev is read from the working\n"
    "directory as the level file, as the game does. With FILEs, they are the level\n"
    "files, read in order instead of default.lev, as the game reads its arguments.\n"
    "With --data DIR, these files and level files named by relative paths are read\n"
    "from DIR instead of the working directory, as the game's --data does.\n"
    "\n"
    "Options:\n"
    "  --werror     report warnings as errors\n"
    "  --data DIR   read the files from DIR\n"
    "  --help       show this text\n"
    "  --version    print the version\n"
    "\n"
    "Exit status: 0 without warnings, 1 with warnings (or errors), 2 when a level\n"
    "file cannot be read or the command line is wrong.\n";

}  // namespace

// Parses the command line, runs the check and prints what it found.
int main(int argc, char** argv) {
    bool werror = false;
    CommonOptions common;
    CLI::App parser;
    addCommonOptions(parser, common, StartOptions::None, "-h,--help");
    addOption(parser, "--werror", false, [&werror](const std::string&) { werror = true; });
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (const std::optional<CommandLineError> error = parseCommandLine(parser, args)) {
        const char* what = error->what.c_str();
        switch (error->kind) {
        case CommandLineError::Kind::UnknownOption:
            std::fprintf(stderr, "quillfray-check: unknown option '%s'\n%s", what, usage.data());
            break;
        case CommandLineError::Kind::NeedsValue:
            std::fprintf(stderr, "quillfray-check: %s needs a value\n", what);
            break;
        case CommandLineError::Kind::TakesNoValue:
            std::fprintf(stderr, "quillfray-check: %s takes no value\n", what);
            break;
        case CommandLineError::Kind::BadValue:
            std::fprintf(stderr, "quillfray-check: %s\n", what);
            break;
        }
        return 2;
    }
    if (common.stop == CommonOptions::Stop::Help) {
        std::fputs(usage.data(), stdout);
        return 0;
    }
    if (common.stop == CommonOptions::Stop::Version) {
        std::fputs(versionLine("quillfray-check").c_str(), stdout);
        return 0;
    }
    CheckInput input;
    input.dataDir = common.dataDir;
    input.levelFiles = common.levelFiles;
    if (input.levelFiles.empty()) input.levelFiles.emplace_back("default.lev");

    const CheckResult result = runCheck(input);
    for (const std::string& path : result.unreadable)
        std::fprintf(stderr, "quillfray-check: cannot read %s\n", path.c_str());
    const std::string report = result.sink.format(werror);
    std::fputs(report.c_str(), stdout);
    if (!result.unreadable.empty()) return 2;
    return result.sink.diagnostics.empty() ? 0 : 1;
}
