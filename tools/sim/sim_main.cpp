// quillfray-sim: loads the definition files as the game does, optionally runs the game on
// a headless engine, and dumps what the options ask for.
#include "app/app_state.h"
#include "app/command_line.h"
#include "audio/audio.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "tools/sim/defs_json.h"
#include "tools/sim/events_jsonl.h"
#include "tools/sim/records_print.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_run.h"
#include "tools/sim/state_json.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// Closes a file opened with fopen.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Writes `text` to `path`; false if the file cannot be written.
bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

// Reports a file that could not be written; the exit status for it.
int cannotWrite(const std::string& path) {
    std::fprintf(stderr, "quillfray-sim: cannot write %s\n", path.c_str());
    return 1;
}

// Runs the game as the options ask and writes the run's outputs. Returns the exit status.
int runAndDump(const SimOptions& options) {
    FileHandle trace;
    if (!options.traceJson.empty()) {
        trace.reset(std::fopen(options.traceJson.c_str(), "wb"));
        if (!trace) return cannotWrite(options.traceJson);
    }
    const SimRunOutput run = runGame(options, trace.get());
    if (run.problemStatus == 2) {
        std::fprintf(stderr, "quillfray-sim: %s\n", run.problem.c_str());
        return 2;
    }
    int status = 0;
    if (trace) {
        const bool closed = std::fclose(trace.release()) == 0;
        if (!run.traceWritten || !closed) status = cannotWrite(options.traceJson);
    }
    if (!options.stateJson.empty()) {
        const std::string text = stateJsonText(
            RunSummary{run.screen, run.displayFrames, run.programEnded, run.title});
        if (!writeFile(options.stateJson, text)) status = cannotWrite(options.stateJson);
    }
    if (!options.eventsJsonl.empty() && !writeFile(options.eventsJsonl, takeGatheredEvents()))
        status = cannotWrite(options.eventsJsonl);
    if (!options.opsJsonl.empty()) {
        std::string text;
        appendSceneOpsJsonl(text, run.ops);
        if (!writeFile(options.opsJsonl, text)) status = cannotWrite(options.opsJsonl);
    }
    if (!options.png.empty() && !writeScenePng(run.ops, options.png))
        status = cannotWrite(options.png);
    if (!options.wav.empty() &&
        !writeWavFile(options.wav, run.sound, SoundState::sampleRate).empty())
        status = cannotWrite(options.wav);
    if (run.problemStatus != 0) {
        std::fprintf(stderr, "quillfray-sim: %s\n", run.problem.c_str());
        status = run.problemStatus;
    }
    return status;
}

// --print-records and --records-json: the records of the loaded level set. Returns the
// exit status for them (1 when the JSON cannot be written).
int printRecords(const SimOptions& options) {
    std::string why;
    if (options.printRecords) std::fputs(recordsText(options.home, why).c_str(), stdout);
    if (!why.empty()) std::fprintf(stderr, "quillfray-sim: records: %s\n", why.c_str());
    if (options.recordsJson.empty()) return 0;
    if (!writeFile(options.recordsJson, recordsJsonText(options.home, why)))
        return cannotWrite(options.recordsJson);
    return 0;
}

}  // namespace

// Parses the options, loads the definitions (running the game if asked) and writes the
// requested dumps. Exit status 0, 1 when an output cannot be written, 2 for bad options.
int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    SimOptionsResult parsed = parseSimOptions(args);
    if (parsed.outcome == SimOptionsResult::Outcome::Help) {
        std::fputs(simUsage().c_str(), stdout);
        return 0;
    }
    if (parsed.outcome == SimOptionsResult::Outcome::Version) {
        std::fputs(versionLine("quillfray-sim").c_str(), stdout);
        return 0;
    }
    if (parsed.outcome == SimOptionsResult::Outcome::Error) {
        std::fprintf(stderr, "quillfray-sim: %s\n", parsed.error.c_str());
        std::fputs(simUsage().c_str(), stderr);
        return 2;
    }
    const SimOptions& options = parsed.options;
    game.dataDir = options.dataDir;

    int status = 0;
    if (options.run) {
        status = runAndDump(options);
    } else {
        resetRegistries();
        loadDefinitions(options.levelFiles);
    }

    if (!options.defsJson.empty()) {
        if (!writeFile(options.defsJson, defsJsonText())) status = cannotWrite(options.defsJson);
    }
    return std::max(status, printRecords(options));
}
