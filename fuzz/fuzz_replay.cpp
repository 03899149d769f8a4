// Fuzz target: arbitrary bytes as a replay file, decoded and, when they decode, encoded
// and decoded again.
#include "tests/support/input_runners.h"

#include <cstdio>
#include <cstdlib>

// libFuzzer's entry: one input per call; a broken invariant aborts like a crash.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto report = testing_support::runReplayInput({data, size});
    if (!report.problem.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", report.problem.c_str());
        std::abort();
    }
    return 0;
}
