// Program entry: every command-line argument is a level file; the desktop platform runs it.
#include "app/app.h"
#include "platform/sdl_platform.h"

#include <string>
#include <vector>

// Hands the level files named on the command line to the game; always returns 0.
int main(int argc, char** argv) {
    std::vector<std::string> levelFiles;
    for (int i = 1; i < argc; ++i) levelFiles.emplace_back(argv[i]);
    return gameMain(levelFiles, sdlPlatformHooks());
}
