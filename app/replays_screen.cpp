// The Replays screen: the kept replays of the loaded level set, newest first, with their
// date, ship, score, stage, length and pinned mark; Fire watches one, the slowdown action
// pins or unpins it, the power action deletes it (pressed twice). And the watching itself:
// the Fire action cycles the speed x1, x2, x4, and the left strip shows speed and steps.
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "records/records.h"
#include "replay/replay_file.h"
#include "text/text.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t colorTitle = 0xFFFFFFFF;
constexpr uint32_t colorItem = 0xFFBFBFBF;
constexpr uint32_t colorHelp = 0xFF7F7F7F;
constexpr uint32_t colorDimmed = 0xFF606060;
constexpr uint32_t colorProblem = 0xFFFF8080;
constexpr uint32_t colorPinned = 0xFF80E0FF;

// Rows the list shows at once; a longer list scrolls with the cursor.
constexpr int32_t visibleRows = 14;
// Screen y of the first row and the pixels between two rows.
constexpr float firstRowY = 150.0f;
constexpr float rowGap = 22.0f;
// Characters of a row's last column (pinned mark or problem) that fit the picture.
constexpr size_t noteChars = 16;

// "YYYY-MM-DD HH:MM" from a run's ISO date.
std::string shownDate(const std::string& date) {
    std::string text = date.substr(0, 16);
    if (text.size() > 10 && text[10] == 'T') text[10] = ' ';
    return text;
}

// "m:ss" of `steps` at 60 a second.
std::string lengthText(uint32_t steps) {
    const uint32_t seconds = steps / 60;
    const uint32_t rest = seconds % 60;
    return std::to_string(seconds / 60) + (rest < 10 ? ":0" : ":") + std::to_string(rest);
}

// One row made from a run with a kept replay; its file is read to find what keeps it
// from being watched.
KeptReplayRow rowOf(const RunRecord& run) {
    KeptReplayRow row;
    row.replay = run.replay;
    row.date = shownDate(run.date);
    row.shipName = run.shipName;
    row.score = run.score;
    row.stage = run.stage;
    row.steps = run.steps;
    row.pinned = run.pinned;
    Replay replay;
    std::string why;
    if (!readReplayFile(replayPath(app.records.place, run.replay), replay, why)) {
        row.problem = why;
        return row;
    }
    row.problem = definitionsMismatch(replay);
    row.changed = !row.problem.empty();
    return row;
}

// Keeps the cursor in the list and the first row shown so that the cursor is on screen.
void keepCursorShown() {
    ReplaysScreenState& s = app.shell.replays;
    const auto count = static_cast<int32_t>(s.rows.size());
    s.cursor = std::clamp(s.cursor, 0, std::max(count - 1, 0));
    if (s.cursor < s.top) s.top = s.cursor;
    if (s.cursor >= s.top + visibleRows) s.top = s.cursor - visibleRows + 1;
    s.top = std::clamp(s.top, 0, std::max(count - visibleRows, 0));
}

// Plays the row's replay in gameplay, or says why it cannot be watched.
void watch(const KeptReplayRow& row) {
    ReplaysScreenState& s = app.shell.replays;
    if (row.changed) {
        s.message = "Cannot watch: " + row.problem;
        return;
    }
    Replay replay;
    std::string why;
    const std::string path = replayPath(app.records.place, row.replay);
    if (!readReplayFile(path, replay, why)) {
        s.message = "Cannot watch: " + why;
        return;
    }
    why = definitionsMismatch(replay);
    if (!why.empty()) {
        s.message = "Cannot watch: " + why;
        return;
    }
    playInterfaceSound(InterfaceSound::choose);
    s.message.clear();
    s.shipBeforeWatching = app.shell.chosenShip;
    s.watching = true;
    s.speed = 1;
    s.speedKeyWasDown = true;  // the Fire press that started watching is no speed change
    preparePlayback(std::move(replay), path, false);
    enterGameplay();
}

// Pins or unpins the row's replay.
void togglePin(const KeptReplayRow& row) {
    ReplaysScreenState& s = app.shell.replays;
    const bool pinned = !row.pinned;
    const std::string why = pinKeptReplay(row.replay, pinned);
    s.message = why.empty() ? std::string(pinned ? "Pinned: never pruned" : "Unpinned")
                            : "Not changed: " + why;
    loadReplayRows();
}

// The first press asks to confirm, a second one on the same row deletes the replay.
void askOrDelete(const KeptReplayRow& row) {
    ReplaysScreenState& s = app.shell.replays;
    if (s.deleteAsked != s.cursor) {
        s.deleteAsked = s.cursor;
        s.message = "Press " + firstBindingName(Action::power, "-") + " again to delete it";
        return;
    }
    s.deleteAsked = -1;
    const std::string why = deleteKeptReplay(row.replay);
    s.message = why.empty() ? std::string("Deleted") : "Not deleted: " + why;
    loadReplayRows();
}

// What the last column of a row says: its problem, else the pinned mark.
std::string noteOf(const KeptReplayRow& row) {
    if (row.changed) return "files changed";
    if (!row.problem.empty()) return row.problem.substr(0, noteChars);
    return row.pinned ? "pinned" : "";
}

// One row of the list at y.
void drawRow(const KeptReplayRow& row, float y) {
    const bool usable = row.problem.empty();
    const uint32_t color = usable ? colorItem : colorDimmed;
    drawText(70.0f, y, row.date, color, 1);
    drawText(240.0f, y, row.shipName.substr(0, 10), color, 1);
    drawText(350.0f, y, std::to_string(row.score), color, 1);
    drawText(470.0f, y, std::to_string(row.stage), color, 1);
    drawText(530.0f, y, lengthText(row.steps), color, 1);
    drawText(610.0f, y, noteOf(row), usable ? colorPinned : colorProblem, 1);
}

}  // namespace

void loadReplayRows() {
    ReplaysScreenState& s = app.shell.replays;
    s.rows.clear();
    s.recordsProblem.clear();
    s.deleteAsked = -1;
    if (app.records.place.folder.empty()) {
        s.recordsProblem = "No folder to keep records in";
    } else {
        const RecordsFile records = loadedRecords(s.recordsProblem);
        // Newest first: by date, and of equal dates the one recorded later.
        std::vector<const RunRecord*> kept;
        for (auto run = records.runs.rbegin(); run != records.runs.rend(); ++run)
            if (!run->replay.empty()) kept.push_back(&*run);
        std::stable_sort(kept.begin(), kept.end(), [](const RunRecord* a, const RunRecord* b) {
            return a->date > b->date;
        });
        for (const RunRecord* run : kept) s.rows.push_back(rowOf(*run));
    }
    keepCursorShown();
}

bool replaysFrame() {
    const MenuInput input = readMenuInput();
    if (input == MenuInput::reloaded) loadReplayRows();
    if (input == MenuInput::back) enterMenu();
    if (input != MenuInput::proceed) return false;
    const auto& edges = game.input.actionEdge;
    ReplaysScreenState& s = app.shell.replays;
    // Up or down, moving or not, forgets a delete not yet confirmed.
    const bool up = edges[Held::up] == edge::pressed, down = edges[Held::down] == edge::pressed;
    if (up || down) {
        s.deleteAsked = -1;
        s.message.clear();
    }
    const int32_t before = s.cursor;
    s.cursor += (down ? 1 : 0) - (up ? 1 : 0);
    keepCursorShown();
    if (s.cursor != before) playInterfaceSound(InterfaceSound::move);
    if (s.rows.empty()) return false;
    const KeptReplayRow row = s.rows[static_cast<size_t>(s.cursor)];
    if (edges[Held::slowdown] == edge::pressed) {
        togglePin(row);
    } else if (edges[Held::power] == edge::pressed) {
        askOrDelete(row);
    } else if (edges[Held::fire] == edge::pressed) {
        watch(row);
    }
    return false;
}

bool replaysRender() {
    Engine* engine = beginScreenPicture();
    if (engine == nullptr) return false;
    const ReplaysScreenState& s = app.shell.replays;

    drawText(40.0f, 40.0f, "Replays:", colorTitle, 3);
    drawText(40.0f, 80.0f,
             "up/down - select, " + firstBindingName(Action::fire, "-") + " - watch, " +
                 firstBindingName(Action::slowdown, "-") + " - pin, " +
                 firstBindingName(Action::power, "-") + " - delete, esc - back",
             colorHelp, 1);
    const float headY = firstRowY - 28.0f;
    drawText(70.0f, headY, "date", colorHelp, 1);
    drawText(240.0f, headY, "ship", colorHelp, 1);
    drawText(350.0f, headY, "score", colorHelp, 1);
    drawText(470.0f, headY, "stage", colorHelp, 1);
    drawText(530.0f, headY, "length", colorHelp, 1);
    if (!s.recordsProblem.empty()) {
        drawWrappedText(70.0f, firstRowY, 680.0f, s.recordsProblem, colorProblem);
    } else if (s.rows.empty()) {
        drawText(70.0f, firstRowY, "No replays kept yet", colorItem, 1);
    }
    const auto count = static_cast<int32_t>(s.rows.size());
    const int32_t end = std::min(count, s.top + visibleRows);
    for (int32_t r = s.top; r < end; ++r)
        drawRow(s.rows[static_cast<size_t>(r)], firstRowY + rowGap * static_cast<float>(r - s.top));
    if (s.top > 0) drawText(70.0f, firstRowY - 14.0f, "^ more", colorHelp, 1);
    if (end < count)
        drawText(70.0f, firstRowY + rowGap * static_cast<float>(visibleRows), "v more",
                 colorHelp, 1);
    if (count > 0) {
        const float turn = engine->Timer_GetTime() / 3.0f;
        drawModelOnScreen(45.0f, firstRowY + 5.0f + rowGap * static_cast<float>(s.cursor - s.top),
                          turn, 100.0f, findModel("ship_frame"));
    }
    const float bottom = firstRowY + rowGap * static_cast<float>(visibleRows) + 25.0f;
    if (!s.message.empty()) drawWrappedText(40.0f, bottom, 720.0f, s.message, colorTitle);
    drawText(40.0f, bottom + 40.0f,
             "watching: " + firstBindingName(Action::pause, "P") + " - pause, " +
                 firstBindingName(Action::fire, "-") + " - speed x1/x2/x4, esc - back",
             colorHelp, 1);
    drawStripNotes(pictureHeight - 40.0f);
    engine->Gfx_EndScene();
    return false;
}

void handleWatchKeys() {
    ReplaysScreenState& s = app.shell.replays;
    const bool down = actionActive(Action::fire);
    if (down && !s.speedKeyWasDown) s.speed = s.speed >= 4 ? 1 : s.speed * 2;
    s.speedKeyWasDown = down;
}

int32_t stepsPerDueStep() {
    const ReplaysScreenState& s = app.shell.replays;
    return s.watching && !app.shell.paused ? s.speed : 1;
}

void settleFastForward(int32_t steps, double dueBefore) {
    if (steps <= 1 || app.shell.screen != ScreenId::Gameplay) return;
    // The next step falls due when the step after the first would have at x1; float
    // rounding may only make it later, never run a second batch in the same frame.
    Clock& clock = game.clock;
    const double length = static_cast<double>(clock.stepLength);
    clock.clockStart =
        static_cast<float>(dueBefore - static_cast<double>(clock.frameCounter) * length);
    while (stepDueTime(clock, clock.frameCounter) < dueBefore)
        clock.clockStart = std::nextafter(clock.clockStart, INFINITY);
}

void drawWatchingLines(float y) {
    const ReplaysScreenState& s = app.shell.replays;
    const int32_t step = std::max(game.clock.frameCounter, 0);
    drawText(90.0f, y, "x" + std::to_string(s.speed), colorItem, 1);
    drawText(15.0f, y + 17.0f,
             std::to_string(step) + " / " + std::to_string(app.replay.played.stepCount),
             colorItem, 1);
}
