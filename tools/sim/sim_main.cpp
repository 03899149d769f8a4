// quillfray-sim: loads the definition files as the game does and dumps what it asks for.
#include "app/game_state.h"
#include "tools/sim/defs_json.h"
#include "tools/sim/sim_options.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Writes `text` to `path`; false if the file cannot be written.
bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

}  // namespace

// Parses the options, loads the definitions and writes the requested dumps.
int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    SimOptionsResult parsed = parseSimOptions(args);
    if (parsed.outcome == SimOptionsResult::Outcome::Help) {
        std::fputs(simUsage().c_str(), stdout);
        return 0;
    }
    if (parsed.outcome == SimOptionsResult::Outcome::Error) {
        std::fprintf(stderr, "quillfray-sim: %s\n", parsed.error.c_str());
        std::fputs(simUsage().c_str(), stderr);
        return 2;
    }
    const SimOptions& options = parsed.options;

    resetRegistries();
    loadDefinitions(options.levelFiles);

    if (!options.defsJson.empty()) {
        std::string text;
        JsonWriter json(text);
        writeDefsJson(json);
        if (!writeFile(options.defsJson, text)) {
            std::fprintf(stderr, "quillfray-sim: cannot write %s\n", options.defsJson.c_str());
            return 1;
        }
    }
    return 0;
}
