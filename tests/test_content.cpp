// Checks on the shipped definition files: names resolve, the fixed scripts and models sit where
// the game expects them, the level is long enough, and the font covers every text the game shows.
#include "core/game_state.h"
#include "defs/defs.h"
#include "platform/headless.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string dataDir = std::string(QF_SOURCE_DIR) + "/data/";

// Loads base.vec, font.vec and default.lev in the order start-up uses.
void loadShippedFiles() {
    resetGameState();
    resetRegistries();
    loadDefinitionFile(dataDir + "base.vec");
    loadFontFile(dataDir + "font.vec");
    loadDefinitionFile(dataDir + "default.lev");
}

// Every key name the engine can report, for the binding texts of the controls screen.
std::vector<std::string> allKeyNames() {
    std::vector<std::string> names;
    for (int key = 1; key < 256; ++key) names.push_back(keyName(key));
    return names;
}

// One place in the files that names something, for readable failures.
struct Reference {
    std::string where;
    const SpawnParam* param;
};

// Every parameter of every script and timeline slot.
std::vector<Reference> allParameters() {
    std::vector<Reference> out;
    for (const Script& script : game.defs.scriptRegistry) {
        for (const Command& command : script.commands) {
            for (const SpawnParam& param : command.params) {
                out.push_back({"script '" + script.name + "' " + command.name, &param});
            }
        }
    }
    for (size_t slot = 0; slot < game.defs.timeline.size(); ++slot) {
        for (const Command& command : game.defs.timeline[slot].commands) {
            for (const SpawnParam& param : command.params) {
                out.push_back({"timeline slot " + std::to_string(slot) + " " + command.name, &param});
            }
        }
    }
    return out;
}

// True if the parameter names an event slot ("onleave", "ontime", ...).
bool isEventParam(const SpawnParam& param) { return param.name.starts_with("on"); }

}  // namespace

TEST(ShippedContent, FixedScriptsAndModelsStandWhereTheGameLooks) {
    loadShippedFiles();
    const auto& scripts = game.defs.scriptRegistry;
    const auto& models = game.defs.modelRegistry;
    ASSERT_GE(scripts.size(), 2u);
    ASSERT_GE(models.size(), 2u);
    // Unset event slots run script 0; an event slot holding 1 clears its Actor.
    EXPECT_TRUE(scripts[0].commands.empty());
    EXPECT_EQ(scripts[1].name, "clear");
    EXPECT_TRUE(scripts[1].commands.empty());
    // Model 1 is what every spawn draws unless it names a model: it must be visible.
    EXPECT_FALSE(models[1].lines.empty());
    for (std::string_view name : {"shot_hit", "player_die", "demo"}) {
        EXPECT_GT(findScript(name), 1) << name;
    }
    EXPECT_GT(findModel("ship_frame"), 0);
}

TEST(ShippedContent, ThreeShipsWithEveryWeaponDefined) {
    loadShippedFiles();
    const auto& ships = game.defs.shipRegistry;
    ASSERT_EQ(ships.size(), 3u);
    for (const ShipDef& ship : ships) {
        EXPECT_GT(findModel(ship.model), 0) << ship.name;
        for (const std::string& script :
             {ship.shot1, ship.shot2, ship.bomb, ship.bombeffect, ship.powershot}) {
            EXPECT_GT(findScript(script), 1) << ship.name << ": " << script;
        }
    }
}

TEST(ShippedContent, EveryEventAndModelNameResolves) {
    loadShippedFiles();
    int checked = 0;
    for (const Reference& ref : allParameters()) {
        const SpawnParam& param = *ref.param;
        if (isEventParam(param)) {
            ++checked;
            // "nothing" is script 0 on purpose and "clear" is slot 1 on purpose; any other
            // index 0 or 1 would be a name that failed to resolve.
            if (param.text == "nothing") {
                EXPECT_EQ(param.scriptIndex, 0u) << ref.where;
            } else if (param.text == "clear") {
                EXPECT_EQ(param.scriptIndex, 1u) << ref.where;
            } else {
                EXPECT_GT(param.scriptIndex, 1u) << ref.where << ": " << param.name << " "
                                                 << param.text;
            }
        }
        if (param.name == "model" && param.text != "none") {
            ++checked;
            EXPECT_GT(param.modelIndex, 0u) << ref.where << ": model " << param.text;
        }
    }
    EXPECT_GT(checked, 200);
}

TEST(ShippedContent, LevelRunsAtLeastSixMinutesWithABossPerStage) {
    loadShippedFiles();
    EXPECT_GE(game.defs.timelineLength, 6 * 60 * 60);
    int bosses = 0;
    for (const Script& slot : game.defs.timeline) {
        for (const Command& command : slot.commands) {
            if (command.name != "boss") continue;
            ++bosses;
            int bars = 0;
            bool timed = false;
            for (const SpawnParam& param : command.params) {
                bars += param.name == "hp" ? 1 : 0;
                timed = timed || param.name == "time";
            }
            EXPECT_GE(bars, 2);
            EXPECT_TRUE(timed);
        }
    }
    EXPECT_EQ(bosses, 3);
}

TEST(ShippedContent, FontCoversEveryTextTheGameShows) {
    loadShippedFiles();
    const auto& glyphs = game.defs.fontGlyphs;
    const auto& table = game.defs.glyphTable;
    ASSERT_FALSE(glyphs.empty());
    // Glyph 0 stands for the blank and for every character without a glyph.
    EXPECT_TRUE(glyphs[0].lines.empty());

    std::vector<std::string> texts = {
        "Select your ship:", "ESC - exit", "F9 - key config", "Score", "0123456789",
        "Controls setup:",
        "Use arrow keys: up/down - select, left - clear, right - add, esc - exit",
        "Move up........", "Move right.....", "Move down......", "Move left......",
        "Slowdown.......", "Fire...........", "Bomb...........", "Power attack...",
        "Exit & save", "Up,Space,J0,F9,Shift,J12"};
    for (const std::string& name : allKeyNames()) texts.push_back(name);
    // A warning on the screen quotes the files' own text: any printable character.
    std::string printable;
    for (char c = '!'; c <= '~'; ++c) printable += c;
    texts.push_back(printable);

    for (const std::string& text : texts) {
        for (char c : text) {
            if (c == ' ') continue;
            const int32_t glyph = table[static_cast<unsigned char>(c)];
            ASSERT_GT(glyph, 0) << "no glyph for '" << c << "' in \"" << text << "\"";
            ASSERT_LT(static_cast<size_t>(glyph), glyphs.size());
            EXPECT_FALSE(glyphs[static_cast<size_t>(glyph)].lines.empty()) << c;
        }
    }
}

TEST(ShippedContent, FontTextBuiltInReadsAsTheFileDoes) {
    // The game keeps the font's content built in and processes it as a file is processed.
    const std::string path = dataDir + "font.vec";
    std::string fromFile;
    ASSERT_TRUE(readDefinitionFile(path, fromFile));
    EXPECT_EQ(processDefinitionText(testing_support::readWholeFile(path)), fromFile);
    EXPECT_EQ(processDefinitionText("a // note\n\tB{c}\n\n"), "a b {c } ");
}

TEST(ShippedContent, GlyphsStayInsideTheirCell) {
    loadShippedFiles();
    // 300 px per unit at size 1 with an advance of 10 px: a glyph wider than 0.025 or
    // far above the cap height would run into its neighbours.
    for (size_t g = 1; g < game.defs.fontGlyphs.size(); ++g) {
        for (const ModelLine& line : game.defs.fontGlyphs[g].lines) {
            for (float x : {line.x1, line.x2}) {
                EXPECT_GE(x, -0.001f) << game.defs.fontGlyphs[g].name;
                EXPECT_LE(x, 0.025f) << game.defs.fontGlyphs[g].name;
            }
            for (float y : {line.y1, line.y2}) {
                EXPECT_GE(y, -0.01f) << game.defs.fontGlyphs[g].name;
                EXPECT_LE(y, 0.031f) << game.defs.fontGlyphs[g].name;
            }
        }
    }
}

