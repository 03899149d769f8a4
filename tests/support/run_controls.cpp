// Input runner for the controls file: arbitrary bytes read as quillfray.cfg.
#include "app/app_state.h"
#include "tests/support/input_runners.h"

#include "core/game_state.h"
#include "input/input.h"
#include "platform/platform.h"

namespace testing_support {

namespace {

// The shortest text that binds anything: "control 0 k 1".
constexpr size_t shortestBinding = 13;

}  // namespace

// Reads the bytes as the controls file and checks the table it left.
RunReport runControlsInput(std::span<const uint8_t> bytes) {
    RunReport report;
    resetGameState();
    resetAppState();
    const std::string path = writeScratchFile(
        "quillfray.cfg",
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    readControlsFile(path);
    const auto& table = game.input.bindingTable;
    size_t entries = 0;
    for (const BindingRow& row : table) entries += row.keys.size() + row.buttons.size();
    // Every entry costs a binding line of the file, apart from the two fixed keys.
    if (entries > bytes.size() / shortestBinding + 2) {
        report.problem = "more bindings than the file has lines: " + std::to_string(entries);
    } else if (table[Action::keyConfig].keys.empty() ||
               table[Action::keyConfig].keys.back() != keys::f9) {
        report.problem = "F9 is not the last key of the key-config action";
    } else if (table[Action::exit].keys.empty() || table[Action::exit].keys.back() != keys::escape) {
        report.problem = "Escape is not the last key of the exit action";
    }
    return report;
}

}  // namespace testing_support
