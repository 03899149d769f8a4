// quillfray-check: reports, compiler style, everything the game would silently skip,
// cut or misread in its definition files.
#include "check/check.h"

#include <cstdio>
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
    "\n"
    "Exit status: 0 without warnings, 1 with warnings (or errors), 2 when a level\n"
    "file cannot be read or the command line is wrong.\n";

}  // namespace

// Parses the command line, runs the check and prints what it found.
int main(int argc, char** argv) {
    bool werror = false;
    CheckInput input;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!onlyFiles && arg == "--") {
            onlyFiles = true;
        } else if (!onlyFiles && (arg == "--help" || arg == "-h")) {
            std::fputs(usage.data(), stdout);
            return 0;
        } else if (!onlyFiles && arg == "--werror") {
            werror = true;
        } else if (!onlyFiles && arg == "--data") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "quillfray-check: --data needs a value\n");
                return 2;
            }
            input.dataDir = argv[++i];
            if (const std::string why = dataDirProblem(input.dataDir); !why.empty()) {
                std::fprintf(stderr, "quillfray-check: --data %s: %s\n",
                             input.dataDir.c_str(), why.c_str());
                return 2;
            }
        } else if (!onlyFiles && arg.starts_with("-") && arg.size() > 1) {
            std::fprintf(stderr, "quillfray-check: unknown option '%s'\n%s", argv[i], usage.data());
            return 2;
        } else {
            input.levelFiles.emplace_back(arg);
        }
    }
    if (input.levelFiles.empty()) input.levelFiles.emplace_back("default.lev");

    const CheckResult result = runCheck(input);
    for (const std::string& path : result.unreadable)
        std::fprintf(stderr, "quillfray-check: cannot read %s\n", path.c_str());
    const std::string report = result.sink.format(werror);
    std::fputs(report.c_str(), stdout);
    if (!result.unreadable.empty()) return 2;
    return result.sink.diagnostics.empty() ? 0 : 1;
}
