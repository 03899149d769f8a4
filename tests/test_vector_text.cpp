// Vector text: glyph placement, advance, scale, unknown characters and padded numbers.
#include "defs/defs.h"
#include "platform/headless.h"
#include "tests/support/scene_lines.h"
#include "tests/support/support.h"
#include "tests/support/test_font.h"
#include "text/text.h"

#include <gtest/gtest.h>

using testing_support::decodeTestFont;
using testing_support::installTestFont;
using testing_support::makeLine;
using testing_support::sceneLines;

namespace {

// A fresh game state drawing on `engine`.
void startWith(HeadlessEngine& engine) {
    resetGameState();
    game.platform.engine = &engine;
}

// A font whose only glyph is one line from (0, 0) to (0, 0.02).
void installUprightFont() {
    Model m;
    m.lines.push_back(makeLine(0, 0, 0, 0.02f, 0xFF123456));
    game.defs.fontGlyphs = {m};
}

}  // namespace

TEST(VectorText, ScoreGlyphOriginsAndUpwardLine) {
    HeadlessEngine engine;
    startWith(engine);
    installUprightFont();
    drawText(15, 15, "Score", 0xFFBFBFBF, 1);
    auto lines = sceneLines(engine.ops);
    ASSERT_EQ(lines.size(), 5u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_FLOAT_EQ(lines[i].x1, 15.0f + 10.0f * static_cast<float>(i));
        EXPECT_FLOAT_EQ(lines[i].y1, 15.0f);
        EXPECT_NEAR(lines[i].x2, lines[i].x1, 1e-5);
        EXPECT_NEAR(lines[i].y2, 9.0f, 1e-4);  // 6 pixels up: model y grows upwards
        EXPECT_EQ(lines[i].color, 0xFFBFBFBFu);  // the caller's colour, not the line's
        EXPECT_FLOAT_EQ(lines[i].z, 0.5f);
    }
}

TEST(VectorText, SizeThreeAdvancesThirtyAndScalesNineHundred) {
    HeadlessEngine engine;
    startWith(engine);
    installUprightFont();
    drawText(40, 40, "Co", 0xFFFFFFFF, 3);
    auto lines = sceneLines(engine.ops);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FLOAT_EQ(lines[0].x1, 40.0f);
    EXPECT_FLOAT_EQ(lines[1].x1, 70.0f);
    EXPECT_NEAR(lines[0].y2, 40.0f - 18.0f, 1e-4);
}

TEST(VectorText, GlyphEndPointsFollowAngleAndRadius) {
    HeadlessEngine engine;
    startWith(engine);
    Model m;
    m.lines.push_back(makeLine(0.01f, 0, 0, -0.01f));
    game.defs.fontGlyphs = {m};
    drawGlyph(100.5f, 50.0f, 2.0f, 0xFF00FF00, 0);
    auto lines = sceneLines(engine.ops);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].x1, 106.5f, 1e-4);
    EXPECT_NEAR(lines[0].y1, 50.0f, 1e-4);
    EXPECT_NEAR(lines[0].x2, 100.5f, 1e-4);
    EXPECT_NEAR(lines[0].y2, 56.0f, 1e-4);  // model y -0.01 lies below the origin
}

TEST(VectorText, UnclaimedCharactersAndBlankUseGlyphZero) {
    HeadlessEngine engine;
    startWith(engine);
    installTestFont("aA");
    drawText(0, 0, "a b#A", 0xFFFFFFFF, 1);
    auto lines = sceneLines(engine.ops);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(decodeTestFont(lines, "aA"), "a???A");
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_FLOAT_EQ(lines[i].x1, 10.0f * static_cast<float>(i));
}

TEST(VectorText, NothingDrawnForEmptyTextMissingGlyphsOrNoEngine) {
    HeadlessEngine engine;
    startWith(engine);
    installUprightFont();
    drawText(0, 0, "", 0xFFFFFFFF, 1);
    drawGlyph(0, 0, 1, 0xFFFFFFFF, 1);
    drawGlyph(0, 0, 1, 0xFFFFFFFF, -1);
    EXPECT_TRUE(sceneLines(engine.ops).empty());
    game.defs.fontGlyphs.clear();  // no font file: no glyph for anything
    drawText(0, 0, "Score", 0xFFFFFFFF, 1);
    EXPECT_TRUE(sceneLines(engine.ops).empty());
    installUprightFont();
    game.platform.engine = nullptr;
    drawText(0, 0, "Score", 0xFFFFFFFF, 1);
    EXPECT_TRUE(sceneLines(engine.ops).empty());
}

TEST(VectorText, HighBytesLookUpTheirOwnTableEntry) {
    HeadlessEngine engine;
    startWith(engine);
    installTestFont("\xE9");
    drawText(0, 0, "\xE9x", 0xFFFFFFFF, 1);
    EXPECT_EQ(decodeTestFont(sceneLines(engine.ops), "\xE9"), "\xE9?");
}

namespace {

// The text drawNumber spells with the digit font.
std::string numberText(int32_t value, int width) {
    HeadlessEngine engine;
    game.platform.engine = &engine;
    installTestFont("0123456789-");
    drawNumber(45, 40, value, 0xFFDFEFFF, 1, width);
    auto lines = sceneLines(engine.ops);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_FLOAT_EQ(lines[i].x1, 45.0f + 10.0f * static_cast<float>(i));
        EXPECT_EQ(lines[i].color, 0xFFDFEFFFu);
    }
    game.platform.engine = nullptr;
    return decodeTestFont(lines, "0123456789-");
}

}  // namespace

TEST(VectorText, NumbersArePaddedWithLeadingZeros) {
    resetGameState();
    EXPECT_EQ(numberText(1234, 10), "0000001234");
    EXPECT_EQ(numberText(0, 10), "0000000000");
    EXPECT_EQ(numberText(1234, 0), "1234");
    EXPECT_EQ(numberText(1234, -5), "1234");
    EXPECT_EQ(numberText(2147483647, 3), "2147483647");  // a longer text is not cut
}

TEST(VectorText, NegativeNumbersPutTheSignBeforeTheZeros) {
    resetGameState();
    EXPECT_EQ(numberText(-1234, 10), "-000001234");
    EXPECT_EQ(numberText(-1234, 5), "-1234");
    EXPECT_EQ(numberText(-1234, 0), "-1234");
    EXPECT_EQ(numberText(-2147483647 - 1, 12), "-02147483648");
}

TEST(VectorText, BracesHaveGlyphsNamedBySpellingThemOut) {
    resetGameState();
    loadFontText(game.defs, "model blank { } model symopenbrace { } model symclosebrace { }\n"
                 "model symopenbraces { }\n");
    const auto& table = game.defs.glyphTable;
    EXPECT_EQ(table['{'], 1);
    EXPECT_EQ(table['}'], 2);
    EXPECT_EQ(table['o'], 3);  // more than the spelling: the 4th character as ever
    EXPECT_EQ(glyphKey(std::string("xyzclosebrace\x01\x07")), '}');  // with a file tag
    EXPECT_EQ(glyphKey("symb"), 'b');
}
