// Program entry: `--record FILE` records the next run as a replay, `--replay FILE` starts
// straight into a recorded run, `--start-frame N` and `--stage K` start every run there,
// `--watch` reloads the definition files when they change, `--fullscreen` starts in
// fullscreen; every other argument is a level file. The desktop platform runs the game.
#include "app/app.h"
#include "core/game_state.h"
#include "core/replay.h"
#include "platform/sdl_platform.h"
#include "replay/replay_file.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reads the options and level files and runs the game; 2 when an option or the replay to
// play cannot be used, else what the game returns.
int main(int argc, char** argv) {
    std::vector<std::string> levelFiles;
    bool fullscreen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--watch") {
            game.reload.watch = true;
            continue;
        }
        if (arg == "--fullscreen") {
            fullscreen = true;
            continue;
        }
        const bool option = arg == "--record" || arg == "--replay" || arg == "--start-frame" ||
                            arg == "--stage";
        if (!option) {
            levelFiles.emplace_back(arg);
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "quillfray: %s needs a value\n", argv[i]);
            return 2;
        }
        const std::string path = argv[++i];
        if (arg == "--start-frame" || arg == "--stage") {
            // Checked against the level once it is loaded; a bad start is shown on the
            // ship selection screen and the runs begin at frame 0.
            Shell& shell = game.shell;
            if (!shell.startOption.empty() && shell.startOption != arg)
                shell.startProblem = "--start-frame and --stage do not go together";
            shell.startOption = arg;
            shell.startValue = path;
            continue;
        }
        if (arg == "--record") {
            armRecording(path);
            continue;
        }
        Replay replay;
        std::string why;
        if (!readReplayFile(path, replay, why)) {
            std::fprintf(stderr, "quillfray: %s: %s\n", path.c_str(), why.c_str());
            return 2;
        }
        preparePlayback(std::move(replay), path, true);
    }
    if (!game.shell.startProblem.empty()) game.shell.startOption.clear();
    return gameMain(levelFiles, sdlPlatformHooks(fullscreen));
}
