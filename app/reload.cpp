// Reloading the definition files while the game runs: on F5, or with --watch when a file
// changes on disk. What the checker finds in the new files goes to standard error and, for
// a few seconds, to the screen; a run restarts at the first frame of the stage it was in.
#include "app/app.h"

#include "check/check.h"
#include "core/game_state.h"
#include "core/hash.h"
#include "defs/defs.h"
#include "platform/platform.h"
#include "text/text.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

// Seconds between two looks at the files' change times with --watch.
constexpr float pollInterval = 0.25f;
// Seconds the reload's report stays on the screen.
constexpr float messageSeconds = 4.0f;
// Warnings shown on the screen; the rest are on standard error only.
constexpr size_t shownWarnings = 3;

// Change time (nanoseconds) and size of a file; -1 for what cannot be read.
std::pair<int64_t, int64_t> stampOf(const std::string& path) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) return {-1, -1};
    const auto size = std::filesystem::file_size(path, error);
    return {static_cast<int64_t>(time.time_since_epoch().count()),
            error ? -1 : static_cast<int64_t>(size)};
}

// The change stamps of every file the last load read.
std::vector<int64_t> currentStamps() {
    std::vector<int64_t> stamps;
    for (const LoadedFile& file : game.defs.loadedFiles) {
        const auto [time, size] = stampOf(definitionPath(file.path));
        stamps.push_back(time);
        stamps.push_back(size);
    }
    return stamps;
}

// The first file that had text at the last load and cannot be read as a file now, or
// an empty string. Such a file is being saved or was removed: the running definitions stay.
std::string unreadableFile() {
    for (const LoadedFile& file : game.defs.loadedFiles) {
        if (file.hash == fnv1a64({})) continue;
        if (const std::string path = definitionPath(file.path); !readableFile(path)) return path;
    }
    return {};
}

// Shows `lines` for a few seconds from engine time `now`.
void showMessages(std::vector<std::string> lines, float now) {
    game.reload.messages = std::move(lines);
    game.reload.messagesUntil = now + messageSeconds;
}

}  // namespace

// Notes the change times of the files just loaded, so that --watch sees later changes.
void noteDefinitionFiles() { game.reload.seen = currentStamps(); }

// What the checker reports for base.vec, font.vec and the level files (default.lev when
// there are none), loaded into registries of its own: the running game stays as it is.
std::string checkReport(std::span<const std::string> levelFiles) {
    CheckInput input;
    input.levelFiles = levelFilesToLoad(levelFiles);
    input.dataDir = game.dataDir;
    return runCheck(input).sink.format(false);
}

// Ends any replay run and loads base.vec, font.vec and the level files afresh, as
// start-up does; they become the files later reloads read. The screen stays as it was.
void replaceDefinitions(std::vector<std::string> levelFiles) {
    endReplayRun();
    const uint64_t stamp = game.defs.modelStamp;
    game.defs = Registries{};
    game.defs.modelStamp = stamp;  // kept turned lines of the old Models go stale
    resetRegistries();
    game.reload.levelFiles = std::move(levelFiles);
    loadDefinitions(game.reload.levelFiles);
    noteDefinitionFiles();
}

// Loads every definition file again, as start-up does. Returns false, keeping the running
// definitions, when a file that had text cannot be read now.
bool reloadDefinitions() {
    const float now = game.shell.engine != nullptr ? game.shell.engine->Timer_GetTime() : 0.0f;
    if (const std::string path = unreadableFile(); !path.empty()) {
        const std::string line = path + ": cannot be read; the running definitions stay";
        std::fprintf(stderr, "%s\n", line.c_str());
        showMessages({line}, now);
        noteDefinitionFiles();
        return false;
    }
    const std::string report = checkReport(game.reload.levelFiles);
    std::fputs(report.c_str(), stderr);
    std::vector<std::string> lines{"Reloaded"};
    size_t warnings = 0;
    for (size_t at = 0; at < report.size();) {
        const size_t end = report.find('\n', at);
        const size_t next = end == std::string::npos ? report.size() : end + 1;
        if (++warnings <= shownWarnings) lines.push_back(report.substr(at, next - at - 1));
        at = next;
    }
    if (warnings > shownWarnings)
        lines.push_back(std::to_string(warnings - shownWarnings) + " more warnings");

    const bool playing = game.shell.screen == ScreenId::Gameplay;
    const int32_t stage = playing ? stageAt(timelineFrame()) : 0;
    replaceDefinitions(game.reload.levelFiles);

    if (playing) {
        const auto& starts = game.defs.stageStarts;
        int32_t start = 0;
        if (stage >= 1 && static_cast<size_t>(stage) <= starts.size() &&
            starts[static_cast<size_t>(stage - 1)] < game.defs.timelineLength)
            start = starts[static_cast<size_t>(stage - 1)];
        const int32_t everyRun = game.shell.startFrame;
        game.shell.startFrame = start;
        enterGameplay();
        game.shell.startFrame = everyRun;
    } else if (game.shell.screen == ScreenId::Selection) {
        enterShipSelection();
    }
    showMessages(std::move(lines), now);
    return true;
}

// The frame's reload check: F5, or with --watch a changed file (looked at a few times a
// second). True when the definitions were loaded again (the screen may have changed).
bool reloadIfAsked() {
    Engine* engine = game.shell.engine;
    if (engine == nullptr) return false;
    bool asked = engine->Input_GetKey() == keys::f5;
    const float now = engine->Timer_GetTime();
    if (!asked && game.reload.watch && now >= game.reload.nextPoll) {
        game.reload.nextPoll = now + pollInterval;
        asked = currentStamps() != game.reload.seen;
    }
    return asked && reloadDefinitions();
}

// The last reload's report in the right strip, for a few seconds after it.
void drawReloadMessages() {
    Engine* engine = game.shell.engine;
    if (engine == nullptr || game.reload.messages.empty() ||
        engine->Timer_GetTime() >= game.reload.messagesUntil)
        return;
    constexpr uint32_t colorReport = 0xFFFFD060;
    engine->Gfx_SetClipping(0, 0, 0, 0);
    const Shell& s = game.shell;
    const float x = s.playfieldLeft + s.pixelsPerUnitX + 15.0f;
    float y = s.playfieldTop + 300.0f;
    for (const std::string& line : game.reload.messages)
        y = drawWrappedText(x, y, s.playfieldLeft - 20.0f, line, colorReport) + 5.0f;
}
