// The Practice screen: for the ship chosen (left/right changes it), every stage its runs
// reached and every boss they met, from the records; Fire starts the run there exactly as
// --start-frame would, Escape or Bomb goes back to the menu.
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "records/records.h"
#include "text/text.h"

#include <algorithm>
#include <string>

namespace {

constexpr uint32_t colorTitle = 0xFFFFFFFF;
constexpr uint32_t colorItem = 0xFFBFBFBF;
constexpr uint32_t colorHelp = 0xFF7F7F7F;
constexpr uint32_t colorProblem = 0xFFFF8080;

// Frames a boss practice begins before the boss command: five seconds.
constexpr int32_t bossLeadFrames = 300;
// Rows the screen shows at once; more scroll with the cursor.
constexpr int32_t visibleRows = 9;

// Screen y of visible row r.
float rowY(int32_t r) { return 170.0f + 40.0f * static_cast<float>(r); }

// The rows of the chosen ship, the cursor kept within them.
void refreshEntries() {
    Shell& shell = app.shell;
    shell.practiceEntries =
        practiceEntries(shell.practiceRecords, shell.chosenShip, shell.bossFrames);
    const auto count = static_cast<int32_t>(shell.practiceEntries.size());
    shell.practiceCursor = std::clamp(shell.practiceCursor, 0, std::max(0, count - 1));
}

// Starts the run of the row under the cursor through the --start-frame path.
void startPractice() {
    Shell& shell = app.shell;
    const auto row = static_cast<size_t>(shell.practiceCursor);
    if (row >= shell.practiceEntries.size()) return;
    const int32_t wanted = shell.practiceEntries[row].frame;
    int32_t frame = 0;
    // A level without frames starts at frame 0 as every run does.
    if (!startFrameOf("--start-frame", std::to_string(wanted), frame).empty() && wanted != 0)
        return;
    playInterfaceSound(InterfaceSound::choose);
    if (shell.practiceReturnFrame < 0) shell.practiceReturnFrame = shell.startFrame;
    shell.startFrame = frame;
    enterGameplay();
}

}  // namespace

std::vector<int32_t> timelineBossFrames() {
    std::vector<int32_t> frames;
    const auto& timeline = game.defs.timeline;
    const auto length = std::min<size_t>(timeline.size(),
                                         static_cast<size_t>(std::max(0, game.defs.timelineLength)));
    for (size_t frame = 0; frame < length; ++frame)
        for (const Command& command : timeline[frame].commands)
            if (command.word == CommandWord::Boss) {
                frames.push_back(static_cast<int32_t>(frame));
                break;
            }
    return frames;
}

std::vector<PracticeEntry> practiceEntries(const RecordsFile& records, int32_t ship,
                                           std::span<const int32_t> bossFrames) {
    int32_t stageReached = 1;
    for (const RunRecord& run : records.runs)
        if (run.ship == ship) stageReached = std::max(stageReached, run.stage);
    // A boss is met by a run of the ship that began at or before its frame and reached it.
    auto met = [&](int32_t bossFrame) {
        return std::any_of(records.runs.begin(), records.runs.end(), [&](const RunRecord& run) {
            return run.ship == ship && run.startFrame <= bossFrame && run.frame >= bossFrame;
        });
    };
    const auto& defs = game.defs;
    const auto& starts = defs.stageStarts;
    std::vector<PracticeEntry> entries;
    entries.push_back({"Stage 1", starts.empty() ? 0 : std::min(starts[0], defs.timelineLength)});
    for (int32_t stage = 2; stage <= std::min<int32_t>(stageReached, static_cast<int32_t>(starts.size()));
         ++stage) {
        const int32_t start = starts[static_cast<size_t>(stage - 1)];
        if (start < defs.timelineLength)
            entries.push_back({"Stage " + std::to_string(stage), start});
    }
    for (size_t boss = 0; boss < bossFrames.size(); ++boss) {
        const int32_t frame = bossFrames[boss];
        if (!met(frame)) continue;
        const int32_t stage = stageAt(frame);
        const int32_t stageStart = stage >= 1 ? starts[static_cast<size_t>(stage - 1)] : 0;
        entries.push_back({"Boss " + std::to_string(boss + 1) + " (stage " +
                               std::to_string(std::max(stage, 1)) + ")",
                           std::max(frame - bossLeadFrames, stageStart)});
    }
    return entries;
}

void preparePractice() {
    Shell& shell = app.shell;
    shell.practiceRecords = RecordsFile{};
    shell.practiceProblem.clear();
    if (app.records.wanted && !app.records.place.folder.empty()) {
        std::string why;
        shell.practiceRecords = loadedRecords(why);
        if (!why.empty()) shell.practiceProblem = "Records could not be read: " + why;
    }
    shell.bossFrames = timelineBossFrames();
    const auto ships = static_cast<int32_t>(game.defs.shipRegistry.size());
    shell.chosenShip = std::clamp(shell.chosenShip, 0, std::max(0, ships - 1));
    shell.practiceCursor = 0;
    refreshEntries();
}

bool practiceFrame() {
    const MenuInput input = readMenuInput();
    if (input == MenuInput::back) enterMenu();
    if (input != MenuInput::proceed) return false;
    const auto& edges = game.input.actionEdge;
    Shell& shell = app.shell;
    const int32_t cursor = shell.practiceCursor, ship = shell.chosenShip;
    const auto rows = static_cast<int32_t>(shell.practiceEntries.size());
    const auto ships = static_cast<int32_t>(game.defs.shipRegistry.size());
    if (edges[Held::up] == edge::pressed && shell.practiceCursor > 0) shell.practiceCursor -= 1;
    if (edges[Held::down] == edge::pressed && shell.practiceCursor < rows - 1)
        shell.practiceCursor += 1;
    if (edges[Held::left] == edge::pressed && shell.chosenShip > 0) shell.chosenShip -= 1;
    if (edges[Held::right] == edge::pressed && shell.chosenShip < ships - 1) shell.chosenShip += 1;
    if (shell.chosenShip != ship) refreshEntries();
    if (shell.practiceCursor != cursor || shell.chosenShip != ship)
        playInterfaceSound(InterfaceSound::move);
    if (edges[Held::fire] == edge::pressed) startPractice();
    return false;
}

bool practiceRender() {
    Engine* engine = beginScreenPicture();
    if (engine == nullptr) return false;
    const Shell& shell = app.shell;

    drawText(40.0f, 40.0f, "Practice:", colorTitle, 3);
    drawText(40.0f, 80.0f, "up/down - select, left/right - ship, fire - start, esc - back",
             colorHelp, 1);
    const auto& ships = game.defs.shipRegistry;
    const auto ship = static_cast<size_t>(shell.chosenShip);
    drawText(160.0f, 115.0f, "Ship: " + (ship < ships.size() ? ships[ship].name : std::string("-")),
             colorTitle, 2);
    const auto rows = static_cast<int32_t>(shell.practiceEntries.size());
    const int32_t first =
        std::clamp(shell.practiceCursor - visibleRows / 2, 0, std::max(0, rows - visibleRows));
    for (int32_t r = first; r < std::min(rows, first + visibleRows); ++r)
        drawText(160.0f, rowY(r - first), shell.practiceEntries[static_cast<size_t>(r)].label,
                 colorItem, 2);
    const float turn = engine->Timer_GetTime() / 3.0f;
    if (rows > 0)
        drawModelOnScreen(120.0f, rowY(shell.practiceCursor - first), turn, 200.0f,
                          findModel("ship_frame"));
    float y = rowY(visibleRows);
    if (!shell.practiceProblem.empty())
        y = drawWrappedText(40.0f, y, pictureWidth - 80.0f, shell.practiceProblem, colorProblem);
    drawStripNotes(std::max(y, pictureHeight - 40.0f));
    engine->Gfx_EndScene();
    return false;
}
