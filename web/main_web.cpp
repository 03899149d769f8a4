// Program entry of the browser build, and the functions the page calls: the checker's
// report on a level, and a run of base.vec, font.vec and a level the page wrote.
//
// The page packs the shipped data files into the folder the game starts in (/game), as
// the desktop game is started from data/. The page writes the playground's files there too.
#include "app/app.h"
#include "core/game_state.h"
#include "platform/web_platform.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The folder of the game's files in the browser's in-memory file system.
constexpr const char* gameFolder = "/game";

}  // namespace

extern "C" {

// The checker's report on base.vec, font.vec and `levelFile`, as the desktop's
// `quillfray-check levelFile` prints it: `file:line:column: warning: ...` lines, empty
// when all is well. The text stays valid until the next call.
const char* qf_check(const char* levelFile) {
    static std::string report;
    const std::vector<std::string> files{levelFile};
    report = checkReport(files);
    return report.c_str();
}

// Loads base.vec, font.vec and `levelFile` afresh and starts a run of it with the ship
// chosen last; the frames run again if the game had ended.
void qf_play(const char* levelFile) {
    replaceDefinitions({levelFile});
    enterGameplay();
    resumeWebFrames();
}

// After the game ended (Escape on the ship selection screen): ship selection again.
void qf_restart() {
    enterShipSelection();
    resumeWebFrames();
}

}  // extern "C"

// Runs the game with the shipped files. The browser then owns the loop: gameMain does
// not return while the page lives.
int main() {
    if (chdir(gameFolder) != 0) std::perror(gameFolder);
    return gameMain({}, webPlatformHooks());
}
