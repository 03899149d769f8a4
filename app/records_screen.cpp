// The Records screen: the level set in use, per ship its ten best scores with date, stage
// reached and whether the replay is kept, and the totals; pages of ships turned with
// up/down or left/right, left with Escape or Bomb. Its text is built once on entry.
#include "app/app.h"

#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/platform.h"
#include "records/records.h"
#include "replay/replay_file.h"
#include "text/text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>

namespace {

constexpr uint32_t colorTitle = 0xFFFFFFFF;
constexpr uint32_t colorItem = 0xFFBFBFBF;
constexpr uint32_t colorHelp = 0xFF7F7F7F;
constexpr uint32_t colorProblem = 0xFFFF8080;

// Where the ships' tables begin and end on the screen, and the height of one line.
constexpr float tablesTop = 130.0f, tablesBottom = 520.0f, lineHeight = 20.0f;

// "2026-12-08 12:00" from "2026-12-08T12:00:00Z".
std::string shownDate(const std::string& date) {
    std::string text = date.substr(0, 16);
    if (text.size() > 10 && text[10] == 'T') text[10] = ' ';
    return text;
}

// "h:mm:ss" of `steps` at 60 a second.
std::string playedTime(uint64_t steps) {
    const uint64_t seconds = steps / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%" PRIu64 ":%02u:%02u", seconds / 3600,
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

// Pages of ships the screen has.
int32_t pageCount() {
    const auto ships = static_cast<int32_t>(app.shell.recordsText.ships.size());
    const int32_t perPage = recordsShipsPerPage();
    return std::max(1, (ships + perPage - 1) / perPage);
}

}  // namespace

RecordsText recordsText(const RecordsFile& records, std::span<const ReplayDefinition> levelSet,
                        std::span<const std::string> shipNames) {
    RecordsText text;
    for (const ReplayDefinition& file : levelSet)
        text.levelSet += (text.levelSet.empty() ? "" : " ") + file.name;
    for (size_t ship = 0; ship < shipNames.size(); ++ship) {
        text.shipNames.push_back(shipNames[ship]);
        std::vector<std::string>& rows = text.ships.emplace_back();
        const std::vector<size_t> best = bestRuns(records, static_cast<int32_t>(ship));
        for (size_t k = 0; k < best.size(); ++k) {
            const RunRecord& run = records.runs[best[k]];
            char row[160];
            std::snprintf(row, sizeof row, "%2zu. %10" PRId64 "  %s  stage %d%s", k + 1,
                          run.score, shownDate(run.date).c_str(), run.stage,
                          run.replay.empty() ? "" : "  replay");
            rows.emplace_back(row);
        }
        if (rows.empty()) rows.emplace_back("no scores yet");
    }
    const RecordsTotals totals = totalsOf(records);
    text.totals = "Runs " + std::to_string(totals.runs) + "   Time played " +
                  playedTime(totals.steps) + "   Clears " + std::to_string(totals.clears);
    return text;
}

int32_t recordsShipsPerPage() {
    // A ship takes its name, ten rows and a blank line.
    const float shipHeight = (static_cast<float>(tableSize) + 2.0f) * lineHeight;
    return std::max(1, static_cast<int32_t>((tablesBottom - tablesTop) / shipHeight));
}

void loadRecordsText() {
    Shell& shell = app.shell;
    std::vector<std::string> names;
    for (const ShipDef& ship : game.defs.shipRegistry) names.push_back(ship.name);
    RecordsFile records;
    std::string why;
    if (app.records.wanted && !app.records.place.folder.empty()) records = loadedRecords(why);
    shell.recordsText = recordsText(records, definitionsOf(game.defs.loadedFiles), names);
    if (!why.empty()) shell.recordsText.problem = "Records could not be read: " + why;
    else if (!app.records.wanted || app.records.place.folder.empty())
        shell.recordsText.problem = "Records are not kept (no folder for them)";
    shell.recordsPage = std::clamp(shell.chosenShip / recordsShipsPerPage(), 0, pageCount() - 1);
}

bool recordsFrame() {
    const MenuInput input = readMenuInput();
    if (input == MenuInput::back) enterMenu();
    if (input != MenuInput::proceed) return false;
    const auto& edges = game.input.actionEdge;
    Shell& shell = app.shell;
    const int32_t before = shell.recordsPage;
    const bool back = edges[Held::up] == edge::pressed || edges[Held::left] == edge::pressed;
    const bool next = edges[Held::down] == edge::pressed || edges[Held::right] == edge::pressed;
    if (back && shell.recordsPage > 0) shell.recordsPage -= 1;
    if (next && shell.recordsPage < pageCount() - 1) shell.recordsPage += 1;
    if (shell.recordsPage != before) playInterfaceSound(InterfaceSound::move);
    return false;
}

bool recordsRender() {
    Engine* engine = beginScreenPicture();
    if (engine == nullptr) return false;
    const RecordsText& text = app.shell.recordsText;

    drawText(40.0f, 40.0f, "Records:", colorTitle, 3);
    drawWrappedText(40.0f, 80.0f, pictureWidth - 80.0f, "Level set: " + text.levelSet,
                    colorHelp);
    float y = tablesTop;
    if (!text.problem.empty())
        y = drawWrappedText(40.0f, y, pictureWidth - 80.0f, text.problem, colorProblem) + 10.0f;
    const int32_t perPage = recordsShipsPerPage();
    const auto ships = static_cast<int32_t>(text.ships.size());
    const int32_t first = app.shell.recordsPage * perPage;
    for (int32_t ship = first; ship < std::min(ships, first + perPage); ++ship) {
        const auto index = static_cast<size_t>(ship);
        drawText(40.0f, y, text.shipNames[index], colorTitle, 1);
        y += lineHeight;
        for (const std::string& row : text.ships[index]) {
            drawText(60.0f, y, row, colorItem, 1);
            y += lineHeight;
        }
        y += lineHeight;
    }
    drawText(40.0f, tablesBottom + 10.0f, text.totals, colorItem, 1);
    const std::string page = pageCount() > 1 ? "Page " + std::to_string(app.shell.recordsPage + 1) +
                                                   "/" + std::to_string(pageCount()) +
                                                   ", up/down - page, esc - back"
                                             : std::string("esc - back");
    drawText(40.0f, tablesBottom + 40.0f, page, colorHelp, 1);
    drawStripNotes(pictureHeight - 20.0f);
    engine->Gfx_EndScene();
    return false;
}
