// Program entry: the command line (one table of options, with --help and --version) and
// the game on the desktop platform. Every argument that is not an option is a level file.
#include "app/app.h"
#include "core/game_state.h"
#include "core/replay.h"
#include "core/version.h"
#include "defs/defs.h"
#include "platform/sdl_platform.h"
#include "replay/replay_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// What the command line asks beyond the game state its options set.
struct Request {
    std::vector<std::string> levelFiles;
    std::string controlsFile;            // --config, or the user's own file with --data
    bool fullscreen = false;             // --fullscreen
    enum class Stop { No, Help, Version } stop = Stop::No;
};

// One option: its spelling, the value it takes (empty: none), its line of help, and what
// it does; false when the value cannot be used (the reason is on stderr then).
struct Option {
    std::string_view name;
    std::string_view value;
    std::string_view help;
    bool (*apply)(Request&, const std::string& value);
};

// Notes a --start-frame or --stage; checked against the level once it is loaded (a bad
// start is shown on the ship selection screen and the runs begin at frame 0).
bool noteStart(std::string_view option, const std::string& value) {
    Shell& shell = game.shell;
    if (!shell.startOption.empty() && shell.startOption != option)
        shell.startProblem = "--start-frame and --stage do not go together";
    shell.startOption = std::string(option);
    shell.startValue = value;
    return true;
}

// Every option, in the order --help lists them. A later --data or --config replaces an
// earlier one.
const Option options[] = {
    {"--data", "DIR", "read the game's files from DIR (see Files)",
     [](Request&, const std::string& dir) {
         if (const std::string why = dataDirProblem(dir); !why.empty()) {
             std::fprintf(stderr, "quillfray: --data %s: %s\n", dir.c_str(), why.c_str());
             return false;
         }
         game.dataDir = dir;
         return true;
     }},
    {"--config", "FILE", "the controls file to read and to save (see Files)",
     [](Request& request, const std::string& file) {
         request.controlsFile = file;
         return true;
     }},
    {"--record", "FILE", "record the next run as a replay into FILE",
     [](Request&, const std::string& file) {
         armRecording(file);
         return true;
     }},
    {"--replay", "FILE", "start straight into the run recorded in FILE",
     [](Request&, const std::string& file) {
         Replay replay;
         std::string why;
         if (!readReplayFile(file, replay, why)) {
             std::fprintf(stderr, "quillfray: %s: %s\n", file.c_str(), why.c_str());
             return false;
         }
         preparePlayback(std::move(replay), file, true);
         return true;
     }},
    {"--start-frame", "N", "begin every run with timeline frame N",
     [](Request&, const std::string& value) { return noteStart("--start-frame", value); }},
    {"--stage", "K", "begin every run with the first frame of stage K",
     [](Request&, const std::string& value) { return noteStart("--stage", value); }},
    {"--fullscreen", "", "start in fullscreen (F11 or Alt+Enter switch)",
     [](Request& request, const std::string&) {
         request.fullscreen = true;
         return true;
     }},
    {"--watch", "", "reload the definition files whenever they change",
     [](Request&, const std::string&) {
         game.reload.watch = true;
         return true;
     }},
    {"--help", "", "print this text and exit",
     [](Request& request, const std::string&) {
         request.stop = Request::Stop::Help;
         return true;
     }},
    {"--version", "", "print the version and exit",
     [](Request& request, const std::string&) {
         request.stop = Request::Stop::Version;
         return true;
     }},
};

// What the usage text says after the options.
constexpr std::string_view usageNotes =
    "\n"
    "Level files: every other argument, loaded in order instead of default.lev\n"
    "(a file whose name begins with -- is named as ./--name).\n"
    "\n"
    "Files: base.vec (models and ships), font.vec (the font) and default.lev (the\n"
    "level) are read from the working directory, or with --data from DIR, as are\n"
    "level files named by relative paths. The controls file is quillfray.cfg in\n"
    "the working directory; with --data it is the user's own,\n"
    "$XDG_CONFIG_HOME/quillfray/quillfray.cfg (~/.config/quillfray/quillfray.cfg),\n"
    "read from DIR/quillfray.cfg until the controls screen (F9) saves it;\n"
    "--config FILE names it. Replays are read and written where named.\n"
    "\n"
    "Keys (as the shipped quillfray.cfg binds them): arrow keys move, Z fires, X\n"
    "bombs, C power attack, Shift slows down. F9 controls setup (on the ship\n"
    "selection), Escape back or quit, R restart, P or Pause pause, F5 reload the\n"
    "files, F3 debug overlay, F4 invincibility, F11 or Alt+Enter fullscreen.\n"
    "\n"
    "Exit status: 0 when the game ends, 1 when the window cannot be opened (a\n"
    "desktop session with a display is needed), 2 for a wrong command line or a\n"
    "replay that cannot be played.\n";

// The usage text: the synopsis, one line per option, then the notes.
std::string usage() {
    std::string text =
        "usage: quillfray [options] [level files...]\n"
        "Quillfray, a vertically scrolling shoot-'em-up drawn with coloured lines.\n\n"
        "Options:\n";
    for (const Option& option : options) {
        std::string left = "  " + std::string(option.name);
        if (!option.value.empty()) left += " " + std::string(option.value);
        left.resize(std::max<size_t>(left.size() + 2, 20), ' ');
        text += left + std::string(option.help) + "\n";
    }
    return text + std::string(usageNotes);
}

// The row spelled `name`, or null.
const Option* findOption(std::string_view name) {
    for (const Option& option : options)
        if (option.name == name) return &option;
    return nullptr;
}

// Reads the arguments into the game state and `request`; an exit status when the
// program ends here (2: a wrong command line), -1 to go on.
int readCommandLine(std::span<char* const> args, Request& request) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--")) {
            request.levelFiles.emplace_back(arg);
            continue;
        }
        const Option* option = findOption(arg);
        if (option == nullptr) {
            std::fprintf(stderr, "quillfray: unknown option %s\n%s", args[i], usage().c_str());
            return 2;
        }
        std::string value;
        if (!option->value.empty()) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "quillfray: %s needs a value\n", args[i]);
                return 2;
            }
            value = args[++i];
        }
        if (!option->apply(request, value)) return 2;
        if (request.stop != Request::Stop::No) return 0;
    }
    return -1;
}

}  // namespace

// Reads the command line and runs the game; the exit status is the command line's (help,
// version, a wrong option) or the game's.
int main(int argc, char** argv) {
    Request request;
    const int status = readCommandLine(std::span<char* const>(argv + 1, argv + argc), request);
    if (request.stop == Request::Stop::Help) std::fputs(usage().c_str(), stdout);
    if (request.stop == Request::Stop::Version)
        std::printf("quillfray %.*s\n", static_cast<int>(gameVersion.size()), gameVersion.data());
    if (status >= 0) return status;
    if (!game.dataDir.empty() && request.controlsFile.empty())
        request.controlsFile = userControlsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (!game.shell.startProblem.empty()) game.shell.startOption.clear();
    return gameMain(request.levelFiles, sdlPlatformHooks(request.fullscreen), request.controlsFile);
}
