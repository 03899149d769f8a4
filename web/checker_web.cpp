// The playground's checker on its own, for a Web Worker (checker_worker.js): the same
// checker as the game's qf_check, so that checking a large level never holds up the page.
// base.vec and font.vec are built in under /game; the worker writes the level (and a
// base.vec of the author's) there before each check.
#include "check/check.h"
#include "defs/defs.h"

#include <emscripten.h>

#include <string>
#include <vector>

extern "C" {

// The checker's report on base.vec, font.vec and `levelFile` of the working folder, as
// quillfray-check prints it; empty when all is well. Valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* qf_check(const char* levelFile) {
    static std::string report;
    const std::vector<std::string> named{levelFile};
    report = checkReport(named, "");
    return report.c_str();
}

}  // extern "C"
