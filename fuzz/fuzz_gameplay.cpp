// Fuzz target: arbitrary bytes as a level file played for 600 gameplay steps with keys
// taken from the input's second part, on top of the game's own data files.
#include "tests/support/input_runners.h"

#include <cstdio>
#include <cstdlib>

// libFuzzer's entry: one input per call; a broken invariant aborts like a crash.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto report =
        testing_support::runGameplayInput({data, size}, std::string(QF_SOURCE_DIR) + "/data");
    if (!report.problem.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", report.problem.c_str());
        std::abort();
    }
    return 0;
}
