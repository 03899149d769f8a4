// Reloading the definition files while the game runs: on F5, or with --watch when a file
// changes on disk. What the checker finds in the new files goes to standard error and, for
// a few seconds, to the screen (as many warnings as fit; F6 shows the next ones); a run restarts at the first frame of
// the stage it was in, or at its own start frame when that lies in the stage. Start-up
// reports the same, or the game's files missing.
#include "app/app.h"
#include "app/fallback_font.h"

#include "check/check.h"
#include "core/game_state.h"
#include "core/hash.h"
#include "defs/defs.h"
#include "platform/platform.h"
#include "text/text.h"
#include "core/numbers.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

// Seconds between two looks at the files' change times with --watch.
constexpr float pollInterval = 0.25f;
// Seconds the reload's report stays on the screen (start-up's: a while longer).
constexpr float messageSeconds = 4.0f;
constexpr float startupMessageSeconds = 10.0f;

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

// Shows `lines` (a heading, then warnings) from engine time `now` for `seconds`.
void showMessages(std::vector<std::string> lines, float now, float seconds = messageSeconds) {
    app.reload.messages = std::move(lines);
    app.reload.messagesUntil = now + seconds;
    app.reload.messageFirst = 0;
    app.reload.messagesShown = 0;
}

// The checker's report, one line per warning, under `heading`.
std::vector<std::string> reportLines(std::string heading, const std::string& report) {
    std::vector<std::string> lines{std::move(heading)};
    for (size_t at = 0; at < report.size();) {
        const size_t end = report.find('\n', at);
        const size_t next = end == std::string::npos ? report.size() : end + 1;
        lines.push_back(report.substr(at, next - at - (end == std::string::npos ? 0 : 1)));
        at = next;
    }
    return lines;
}

// The page key: the warnings after those on the screen, or the first ones again (also
// when the messages were gone), for a while.
void turnMessagePage(float now) {
    ReloadState& r = app.reload;
    const size_t next = r.messageFirst + r.messagesShown;
    const bool more = now < r.messagesUntil && next + 1 < r.messages.size();
    r.messageFirst = more ? next : 0;
    r.messagesUntil = std::max(r.messagesUntil, now + messageSeconds);
}

// A message line as the strip shows it: without the folder of the file it names
// (standard error has the whole path).
std::string_view shownText(std::string_view line) {
    const size_t warning = line.find(": warning: ");
    if (warning == std::string_view::npos) return line;
    const size_t slash = line.rfind('/', warning);
    return slash == std::string_view::npos ? line : line.substr(slash + 1);
}

// The names among base.vec, font.vec and the level files that are no readable file.
std::vector<std::string> missingFiles(std::span<const std::string> levelFiles) {
    std::vector<std::string> names{std::string(baseFile), std::string(fontFile)};
    for (std::string& name : levelFilesToLoad(levelFiles)) names.push_back(std::move(name));
    std::vector<std::string> missing;
    for (const std::string& name : names)
        if (!readableFile(definitionPath(name))) missing.push_back(name);
    return missing;
}

// What a start without the game's files says: what is missing, where it was looked for,
// and what to do.
std::string missingFilesMessage(const std::vector<std::string>& missing) {
    std::error_code error;
    std::string folder = game.dataDir.empty()
                             ? std::filesystem::current_path(error).string()
                             : std::filesystem::absolute(game.dataDir, error).lexically_normal().string();
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    return "The game's files were not found: no " + names + " in " + folder +
           ". Start the game in the folder that holds them, or name it with --data DIR.";
}

}  // namespace

void noteDefinitionFiles() { app.reload.seen = currentStamps(); }

std::string checkReport(std::span<const std::string> levelFiles) {
    return checkReport(levelFiles, game.dataDir);
}

void replaceDefinitions(std::vector<std::string> levelFiles) {
    endReplayRun();
    const uint64_t stamp = game.defs.modelStamp;
    game.defs = Registries{};
    game.defs.modelStamp = stamp;  // kept turned lines of the old Models go stale
    resetRegistries();
    app.reload.levelFiles = std::move(levelFiles);
    loadDefinitions(app.reload.levelFiles);
    loadSounds();
    noteDefinitionFiles();
}

bool reloadDefinitions() {
    const float now = game.platform.engine != nullptr ? game.platform.engine->Timer_GetTime() : 0.0f;
    if (const std::string path = unreadableFile(); !path.empty()) {
        const std::string line = path + ": cannot be read; the running definitions stay";
        std::fprintf(stderr, "%s\n", line.c_str());
        showMessages({line}, now);
        noteDefinitionFiles();
        return false;
    }
    const std::string report = checkReport(app.reload.levelFiles);
    std::fputs(report.c_str(), stderr);
    std::vector<std::string> lines = reportLines("Reloaded", report);

    const bool playing = app.shell.screen == ScreenId::Gameplay;
    const int32_t stage = playing ? stageAt(timelineFrame()) : 0;
    replaceDefinitions(app.reload.levelFiles);
    if (missingFiles(app.reload.levelFiles).empty()) app.shell.dataProblem.clear();

    if (playing) {
        const auto& starts = game.defs.stageStarts;
        int32_t start = 0;
        if (stage >= 1 && static_cast<size_t>(stage) <= starts.size() &&
            starts[static_cast<size_t>(stage - 1)] < game.defs.timelineLength)
            start = starts[static_cast<size_t>(stage - 1)];
        const int32_t everyRun = app.shell.startFrame;
        // A run begun later in the stage (--start-frame) begins there again.
        if (stage >= 1 && everyRun > start && everyRun < game.defs.timelineLength &&
            stageAt(everyRun) == stage)
            start = everyRun;
        app.shell.startFrame = start;
        enterGameplay();
        app.shell.startFrame = everyRun;
    } else if (app.shell.screen == ScreenId::Selection) {
        enterShipSelection();
    }
    showMessages(std::move(lines), now);
    return true;
}

bool reloadIfAsked() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return false;
    bool asked = engine->Input_GetKey() == keys::f5;
    const float now = engine->Timer_GetTime();
    if (engine->Input_GetKey() == keys::f6 && !app.reload.messages.empty()) turnMessagePage(now);
    if (!asked && app.reload.watch && now >= app.reload.nextPoll) {
        app.reload.nextPoll = now + pollInterval;
        asked = currentStamps() != app.reload.seen;
    }
    return asked && reloadDefinitions();
}

void drawReloadMessages() {
    Engine* engine = game.platform.engine;
    if (engine == nullptr || app.reload.messages.empty() ||
        engine->Timer_GetTime() >= app.reload.messagesUntil)
        return;
    constexpr uint32_t colorReport = 0xFFFFD060;
    engine->Gfx_SetClipping(0, 0, 0, 0);
    const PlayfieldLayout& s = game.layout;
    ReloadState& r = app.reload;
    const float x = s.playfieldLeft + s.pixelsPerUnitX + 15.0f;
    const float width = s.playfieldLeft - 20.0f;
    // The warnings that fit above the bottom line, which is kept for the page key's hint.
    const float bottom = s.playfieldTop + num::playfieldHeight * s.pixelsPerUnitY - 25.0f;
    const size_t warnings = r.messages.size() - 1;
    float y = drawWrappedText(x, s.playfieldTop + 300.0f, width, r.messages[0], colorReport) + 5.0f;
    size_t k = std::min(r.messageFirst, warnings);
    for (; k < warnings; ++k) {
        const std::string_view text = shownText(r.messages[k + 1]);
        if (k > r.messageFirst && y + wrappedTextHeight(width, text) > bottom) break;
        y = drawWrappedText(x, y, width, text, colorReport) + 5.0f;
    }
    r.messagesShown = k - std::min(r.messageFirst, warnings);
    if (r.messageFirst > 0 || k < warnings) {
        constexpr uint32_t colorHint = 0xFFBFBFBF;
        const std::string first = std::to_string(r.messageFirst + 1);
        const std::string last = std::to_string(k);
        const std::string hint = "F6 - more: " + (first == last ? first : first + "-" + last) +
                                 "/" + std::to_string(warnings);
        drawWrappedText(x, y, width, hint, colorHint);
    }
}

void reportStartupProblems() {
    const std::vector<std::string> missing = missingFiles(app.reload.levelFiles);
    if (!missing.empty()) {
        // Without font.vec the message is drawn with the font the game was built with.
        if (game.defs.fontGlyphs.empty()) loadFontText(game.defs, processDefinitionText(fallbackFontText));
        app.shell.dataProblem = missingFilesMessage(missing);
        std::fprintf(stderr, "quillfray: %s\n", app.shell.dataProblem.c_str());
        return;
    }
    const std::string report = checkReport(app.reload.levelFiles);
    if (report.empty()) return;
    std::fputs(report.c_str(), stderr);
    const float now = game.platform.engine != nullptr ? game.platform.engine->Timer_GetTime() : 0.0f;
    showMessages(reportLines("Warnings at start", report), now, startupMessageSeconds);
}
