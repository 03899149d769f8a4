// Program entry of the browser build, and the functions the page calls: the checker's
// report on a level, a run of base.vec, font.vec and a level the page wrote (from its
// start, a stage or a frame), a replay played back with how its check values compare, a
// replay file kept in the library, and a note in the left strip when the page could not
// store the records; and for the playground's editor, the vocabulary's words, hover texts
// and completions.
//
// The build packs the shipped data files into the folder the game starts in (/game), as
// the desktop game is started from data/; the page writes the playground's files there.
// Records and kept replays live under /home/quillfray, which the page restores from its
// IndexedDB before the game starts and stores back after every change.
#include "app/app.h"
#include "check/check.h"
#include "core/file_write.h"
#include "core/game_state.h"
#include "defs/vocabulary_docs.h"
#include "platform/web_platform.h"
#include "records/records.h"
#include "replay/replay_file.h"

#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

// The folder of the game's files in the browser's in-memory file system.
constexpr const char* gameFolder = "/game";
// The folder of the records and the kept replays (the page keeps it in IndexedDB).
constexpr const char* homeFolder = "/home/quillfray";

// Asks the page to store the records folder (Module.onRecordsChanged).
EM_JS(void, tellPageRecordsChanged, (), {
    if (Module.onRecordsChanged) Module.onRecordsChanged();
});

// `name` in letters, digits and `._-`, not starting with a dot, ending in .qfr.
std::string keptReplayName(std::string_view name) {
    if (const size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (name.ends_with(".qfr")) name.remove_suffix(4);
    std::string safe;
    for (const char c : name.substr(0, 60)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        safe += plain ? c : '_';
    }
    if (safe.empty()) safe = "replay";
    if (safe.front() == '.') safe.front() = '_';
    return safe + ".qfr";
}

// True once the page started a replay; its outcome is reported until the next one.
bool replayStarted = false;

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
// chosen last, at the frame `option` ("--stage" or "--start-frame", as on the desktop's
// command line; "" the level's start) with `value` names; the frames run again if the game
// had ended. Returns "" when the run started, else why not (a start that is not in the
// level: the game then shows ship selection). The text stays valid until the next call.
const char* qf_play(const char* levelFile, const char* option, const char* value) {
    static std::string problem;
    problem.clear();
    replaceDefinitions({levelFile});
    int32_t frame = 0;
    if (*option != '\0') problem = startFrameOf(option, value, frame);
    app.shell.practiceReturnFrame = -1;
    app.shell.startFrame = frame;
    if (problem.empty()) enterGameplay();
    else enterShipSelection();
    resumeWebFrames();
    return problem.c_str();
}

// After the game ended (Escape on the ship selection screen): ship selection again.
void qf_restart() {
    enterShipSelection();
    resumeWebFrames();
}

// Plays the replay file at `path` with the level files it was recorded with, then goes
// back to ship selection. Returns "" when it plays, else why not (the game then shows
// ship selection). The text stays valid until the next call.
const char* qf_replay(const char* path) {
    static std::string problem;
    Replay replay;
    if (!readReplayFile(path, replay, problem)) return problem.c_str();
    // Every load records base.vec and font.vec first; the level files follow.
    std::vector<std::string> levelFiles;
    for (size_t k = 2; k < replay.definitions.size(); ++k)
        levelFiles.push_back(replay.definitions[k].name);
    replaceDefinitions(std::move(levelFiles));
    problem = definitionsMismatch(replay);
    if (problem.empty()) {
        preparePlayback(std::move(replay), path, true);
        replayStarted = true;
        enterGameplay();
    } else {
        enterShipSelection();
    }
    resumeWebFrames();
    return problem.c_str();
}

// Keeps the replay file at `path` in the replay library as `name` (made safe, with -2,
// -3 ... when taken) once the strict reader has accepted it. Returns "" when kept, else
// why not. The text stays valid until the next call.
const char* qf_keep_replay(const char* path, const char* name) {
    static std::string problem;
    Replay replay;
    problem.clear();
    if (!readReplayFile(path, replay, problem)) return problem.c_str();
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string base = keptReplayName(name);
    const std::string stem = base.substr(0, base.size() - 4);
    std::string kept = replayPath(app.records.place, base);
    struct stat info {};
    for (int n = 2; ::lstat(kept.c_str(), &info) == 0 && n < 1000; ++n)
        kept = replayPath(app.records.place, stem + "-" + std::to_string(n) + ".qfr");
    problem = createFoldersFor(kept);
    if (problem.empty()) problem = replaceFileContents(kept, bytes, 0644);
    if (problem.empty()) tellPageRecordsChanged();
    return problem.c_str();
}

// Shows in the left strip that the page could not store the records, as a record the
// desktop could not save is shown.
void qf_save_problem(const char* text) { noteSaveProblem(text); }

// How the replay the page started compares with its recording, in words; empty before
// the first one. The text stays valid until the next call.
const char* qf_replay_status() {
    static std::string status;
    const ReplayState& r = app.replay;
    const std::string checked = std::to_string(r.nextCheck) + " of " +
                                std::to_string(r.played.checks.size()) + " check values";
    if (!replayStarted) {
        status.clear();
    } else if (r.desyncStep != 0) {
        status = "Desync at step " + std::to_string(r.desyncStep) + ": recorded check value " +
                 std::to_string(r.desyncRecorded) + ", computed " +
                 std::to_string(r.desyncComputed);
    } else if (r.playing) {
        status = "Playing: step " + std::to_string(game.clock.frameCounter) + " of " +
                 std::to_string(r.played.stepCount) + ", checked " + checked + " so far";
    } else {
        status = "Played: " + checked + " matched";
    }
    return status.c_str();
}

// Every word of the vocabulary for the editor's colours: a line "kind<TAB>word" each, kind
// one of Command, Parameter, Event, Flag, Prefix, Block, BlockWord, SoundParam.
const char* qf_vocabulary() {
    static std::string lines;
    static constexpr const char* kinds[] = {"Command", "Parameter", "Event",    "Flag",
                                            "Prefix",  "Block",     "BlockWord", "SoundParam"};
    if (lines.empty())
        for (const WordDoc& doc : vocabularyDocs())
            lines += std::string(kinds[static_cast<size_t>(doc.kind)]) + '\t' +
                     std::string(doc.name) + '\n';
    return lines.c_str();
}

// What the word at `column` (from 0) of `line` means, in Markdown as quillfray-lsp's
// hover shows it; empty when it means nothing. Valid until the next call.
const char* qf_hover(const char* line, int column) {
    static std::string text;
    const std::string word = tokenAt(line, 0, static_cast<uint32_t>(std::max(column, 0)));
    text = word.empty() ? std::string() : describeWord(word);
    return text.c_str();
}

// The vocabulary's words that may follow `lineBefore` (a line's text before the cursor):
// a line "label<TAB>kind<TAB>detail" each. Valid until the next call.
const char* qf_complete(const char* lineBefore) {
    static std::string lines;
    static constexpr const char* kinds[] = {"Function", "Property", "Event", "Keyword", "Reference"};
    lines.clear();
    for (const CompletionWord& word : vocabularyCompletions(completionAsk(lineBefore)))
        lines += word.label + '\t' + kinds[static_cast<size_t>(word.kind)] + '\t' +
                 std::string(word.detail) + '\n';
    return lines.c_str();
}

}  // extern "C"

// Runs the game with the shipped files. The browser then owns the loop: gameMain does
// not return while the page lives.
int main() {
    if (chdir(gameFolder) != 0) std::perror(gameFolder);
    app.records.wanted = true;
    app.records.place.folder = homeFolder;
    app.records.afterChange = [] { tellPageRecordsChanged(); };
    app.display.scale = 0;  // the page starts as large as the window allows
    return gameMain({}, webPlatformHooks());
}
