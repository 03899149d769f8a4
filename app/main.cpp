// Program entry: the command line (one table of options for --help, read by the shared
// parser of app/command_line.h) and the game on the desktop platform. Every argument that
// is not an option is a level file.
#include "app/app.h"
#include "app/command_line.h"
#include "core/game_state.h"
#include "core/replay.h"
#include "defs/defs.h"
#include "platform/sdl_platform.h"
#include "replay/replay_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// What the command line asks beyond the game state its options set.
struct Request {
    CommonOptions common;                // level files, --data, the start, --help, --version
    std::string controlsFile;            // --config, or the user's own file with --data
    std::string home;                    // --home: settings, records and replays under one folder
    bool fullscreen = false;             // --fullscreen
};

// One option as --help lists it: its spelling, the value it takes (empty: none), its line
// of help, and what it does (null: a shared option, app/command_line.cpp).
struct Option {
    std::string_view name;
    std::string_view value;
    std::string_view help;
    void (*apply)(Request&, const std::string& value);
};

// Every option, in the order --help lists them. A later --data or --config replaces an
// earlier one.
const Option options[] = {
    {"--data", "DIR", "read the game's files from DIR (see Files)", nullptr},
    {"--config", "FILE", "the controls file to read and to save (see Files)",
     [](Request& request, const std::string& file) { request.controlsFile = file; }},
    {"--home", "DIR", "keep the settings, records and replays in DIR (see Files)",
     [](Request& request, const std::string& folder) { request.home = folder; }},
    {"--record", "FILE", "record the next run as a replay into FILE",
     [](Request&, const std::string& file) { armRecording(file); }},
    {"--replay", "FILE", "start straight into the run recorded in FILE",
     [](Request&, const std::string& file) {
         Replay replay;
         std::string why;
         if (!readReplayFile(file, replay, why)) refuseValue(file + ": " + why);
         preparePlayback(std::move(replay), file, true);
     }},
    {"--start-frame", "N", "begin every run with timeline frame N", nullptr},
    {"--stage", "K", "begin every run with the first frame of stage K", nullptr},
    {"--fullscreen", "", "start in fullscreen (F11 or Alt+Enter switch)",
     [](Request& request, const std::string&) { request.fullscreen = true; }},
    {"--watch", "", "reload the definition files whenever they change",
     [](Request&, const std::string&) { app.reload.watch = true; }},
    {"--mute", "", "start with the sound muted",
     [](Request&, const std::string&) { app.sound.muted = true; }},
    {"--help", "", "print this text and exit", nullptr},
    {"--version", "", "print the version and exit", nullptr},
};

// What the usage text says after the options.
constexpr std::string_view usageNotes =
    "\n"
    "Level files: every other argument, loaded in order instead of default.lev\n"
    "(a file whose name begins with - is named as ./-name, or given after --).\n"
    "\n"
    "Files: base.vec (models and ships), font.vec (the font) and default.lev (the\n"
    "level) are read from the working directory, or with --data from DIR, as are\n"
    "level files named by relative paths. The controls file is quillfray.cfg in\n"
    "the working directory; with --data it is the user's own,\n"
    "$XDG_CONFIG_HOME/quillfray/quillfray.cfg (~/.config/quillfray/quillfray.cfg),\n"
    "read from DIR/quillfray.cfg until the controls screen (F9) saves it;\n"
    "--config FILE names it. Replays are read and written where named.\n"
    "Every run played is recorded: records and the kept replays live in\n"
    "$XDG_DATA_HOME/quillfray/ (~/.local/share/quillfray/), in records/ and\n"
    "replays/. --home DIR keeps them, quillfray.cfg and quillfray-settings.cfg\n"
    "all in DIR instead (--config still names the controls file).\n"
    "\n"
    "Keys (as the shipped quillfray.cfg binds them): arrow keys move, Z fires, X\n"
    "bombs, C power attack, Shift slows down. F9 controls setup (on the ship\n"
    "selection), P or Pause the menu there (Replays: the kept replays, Z\n"
    "watches, Shift pins, C deletes; while watching Z cycles x1/x2/x4, P pauses;\n"
    "Options: volumes, fullscreen, window scale, hit circle), Escape back or\n"
    "quit, R restart, P or Pause pause, F5 reload the files, F6 page through\n"
    "their warnings, F3 debug overlay, F4 invincibility, M mute, F11 or\n"
    "Alt+Enter fullscreen. M and the Options screen keep their settings in\n"
    "quillfray-settings.cfg beside the controls file.\n"
    "\n"
    "Pads: D-pad or left stick move, A fires (and starts), B bombs, X power\n"
    "attack, RB or Y slow down, Start pause (and the menu), Back back or quit,\n"
    "for every action the controls bind no joystick button to. Pads SDL does not\n"
    "know take mapping lines from gamecontrollerdb.txt in DIR and beside the\n"
    "user's controls file, and from SDL_GAMECONTROLLERCONFIG. quillfray-settings.cfg\n"
    "sets \"deadzone N\" (percent, 25) and \"rumble 0|1\".\n"
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

// Reads the arguments into the game state and `request`; an exit status when the
// program ends here (0: --help or --version, 2: a wrong command line), -1 to go on.
int readCommandLine(std::span<const std::string_view> args, Request& request) {
    CLI::App parser;
    addCommonOptions(parser, request.common, StartOptions::ShowClash);
    for (const Option& option : options) {
        if (option.apply == nullptr) continue;
        addOption(parser, std::string(option.name), !option.value.empty(),
                  [&request, apply = option.apply](const std::string& value) {
                      apply(request, value);
                  });
    }
    const std::optional<CommandLineError> error = parseCommandLine(parser, args);
    if (!error) return request.common.stop == CommonOptions::Stop::No ? -1 : 0;
    using Kind = CommandLineError::Kind;
    switch (error->kind) {
    case Kind::UnknownOption:
        std::fprintf(stderr, "quillfray: unknown option %s\n%s", error->what.c_str(),
                     usage().c_str());
        break;
    case Kind::NeedsValue:
        std::fprintf(stderr, "quillfray: %s needs a value\n", error->what.c_str());
        break;
    case Kind::TakesNoValue:
        std::fprintf(stderr, "quillfray: %s takes no value\n", error->what.c_str());
        break;
    case Kind::BadValue:
        std::fprintf(stderr, "quillfray: %s\n%s", error->what.c_str(),
                     error->showUsage ? usage().c_str() : "");
        break;
    }
    return 2;
}

}  // namespace

// Reads the command line and runs the game; the exit status is the command line's (help,
// version, a wrong option) or the game's.
int main(int argc, char** argv) {
    Request request;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const int status = readCommandLine(args, request);
    const CommonOptions& common = request.common;
    if (common.stop == CommonOptions::Stop::Help) std::fputs(usage().c_str(), stdout);
    if (common.stop == CommonOptions::Stop::Version)
        std::fputs(versionLine("quillfray").c_str(), stdout);
    if (status >= 0) return status;
    game.dataDir = common.dataDir;
    if (!request.home.empty() && request.controlsFile.empty())
        request.controlsFile = request.home + "/quillfray.cfg";
    if (!game.dataDir.empty() && request.controlsFile.empty())
        request.controlsFile = userControlsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    app.records.wanted = true;
    app.records.place.folder = !request.home.empty()
                                   ? request.home
                                   : userDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    // The settings beside the controls file; --mute and --fullscreen win for this run.
    const bool mutedHere = app.sound.muted;
    app.sound.settingsPath = settingsPathBeside(
        request.controlsFile.empty() ? definitionPath("quillfray.cfg") : request.controlsFile);
    readSettingsFile(app.sound.settingsPath);
    app.sound.mutedByCommandLine = mutedHere;
    app.sound.muted = app.sound.muted || mutedHere;
    if (common.startProblem.empty()) {
        app.shell.startOption = common.startOption;
        app.shell.startValue = common.startValue;
    } else {
        app.shell.startProblem = common.startProblem;
    }
    return gameMain(common.levelFiles, sdlPlatformHooks(request.fullscreen), request.controlsFile);
}
