// Model blocks (lines, circles, colours, short forms, names) and the font file.
#include "core/game_state.h"
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cmath>

using testing_support::TempDir;

namespace {

constexpr float pi = 3.14159265358979f;

// The Model that a raw "model ... { ... }" source gives, read as a file would be.
Model modelFrom(std::string_view raw, int32_t ordinal = 0) {
    TempDir dir;
    std::string text;
    readDefinitionFile(dir.write("m.vec", raw), text);
    Cursor cursor{text};
    EXPECT_EQ(nextToken(cursor), "model");
    HeaderBlock b = takeHeaderBlock(cursor);
    return parseModel(game.defs, b.block, ordinal, b.header);
}

}  // namespace

TEST(Models, DartSample) {
    Model dart = modelFrom(
        "model dart {\n"
        "  color 255 200 0\n"
        "  line 0 -0.05 0.03 0.04\n"
        "  line { x1 0.03 y1 0.04 x2 -0.03 y2 0.04 }\n"
        "  alpha 128\n"
        "  line 0 -0.05 -0.03 0.04\n"
        "  hitc 0 0 0.02\n"
        "}\n");
    EXPECT_EQ(dart.name, "dart");
    ASSERT_EQ(dart.lines.size(), 3u);
    ASSERT_EQ(dart.circles.size(), 1u);
    EXPECT_EQ(dart.lines[0].color, 0xFFFFC800u);
    EXPECT_EQ(dart.lines[1].color, 0xFFFFC800u);
    EXPECT_EQ(dart.lines[2].color, 0x80FFC800u);
    const ModelLine& first = dart.lines[0];
    EXPECT_EQ(first.x1, 0.0f);
    EXPECT_EQ(first.y1, -0.05f);
    EXPECT_EQ(first.x2, 0.03f);
    EXPECT_EQ(first.y2, 0.04f);
    EXPECT_FLOAT_EQ(first.radius1, 0.05f);
    EXPECT_FLOAT_EQ(first.angle1, pi);
    EXPECT_FLOAT_EQ(first.radius2, 0.05f);
    EXPECT_FLOAT_EQ(first.angle2, std::atan2(0.03f, 0.04f));
    EXPECT_FLOAT_EQ(first.lengthSquared, 0.009f);
    EXPECT_EQ(dart.lines[1].x1, 0.03f);
    EXPECT_EQ(dart.lines[1].y2, 0.04f);
    EXPECT_EQ(dart.lines[2].x2, -0.03f);
    const HitCircle& circle = dart.circles[0];
    EXPECT_EQ(circle.r, 0.02f);
    EXPECT_EQ(circle.distance, 0.0f);
    EXPECT_EQ(circle.angle, 0.0f);
}

TEST(Models, PolarFields) {
    Model zero = modelFrom("model z { line 0 0 0 0 }");
    const ModelLine& l = zero.lines.at(0);
    EXPECT_EQ(l.radius1, 0.0f);
    EXPECT_EQ(l.angle1, 0.0f);
    EXPECT_EQ(l.radius2, 0.0f);
    EXPECT_EQ(l.angle2, 0.0f);
    EXPECT_EQ(l.lengthSquared, 0.0f);

    Model axes = modelFrom("model a { line 0 -1 1 0 hitc 0.3 0.4 0.1 hitc -1 0 1 }");
    EXPECT_EQ(axes.lines[0].angle1, static_cast<float>(M_PI));    // (0, -1): straight up
    EXPECT_EQ(axes.lines[0].angle2, static_cast<float>(M_PI / 2)); // (1, 0)
    EXPECT_EQ(axes.lines[0].radius1, 1.0f);
    EXPECT_EQ(axes.lines[0].lengthSquared, 2.0f);
    EXPECT_FLOAT_EQ(axes.circles[0].distance, 0.5f);
    EXPECT_EQ(axes.circles[0].angle, static_cast<float>(std::atan2(double{0.3f}, double{0.4f})));
    EXPECT_EQ(axes.circles[1].angle, static_cast<float>(-M_PI / 2));
    EXPECT_EQ(axes.circles[1].r, 1.0f);
}

TEST(Models, ColourEdgeCases) {
    Model m = modelFrom(
        "model c {\n"
        "  line 0 0 1 1\n"
        "  color 255 0 0\n"
        "  alpha 0\n"
        "  line 0 0 1 1\n"
        "  color { g 7 }\n"
        "  line 0 0 1 1\n"
        "}\n");
    EXPECT_EQ(m.lines[0].color, 0xFFFFFFFFu);  // lines before a change keep their colour
    EXPECT_EQ(m.lines[1].color, 0x00FF0000u);
    EXPECT_EQ(m.lines[2].color, 0x00FF0700u);  // only green changes

    EXPECT_EQ(modelFrom("model w { alpha 255 line 0 0 1 1 }").lines[0].color, 0xFFFFFFFFu);
    // Not clamped: 256 for blue clears blue and adds one to green.
    EXPECT_EQ(modelFrom("model o { color 0 0 0 color { b 256 } line 0 0 1 1 }").lines[0].color,
              0xFF000100u);
    // Negative values add their two's complement shifted into place.
    EXPECT_EQ(modelFrom("model n { color 0 0 0 color { r -1 } line 0 0 1 1 }").lines[0].color,
              0xFEFF0000u);
    // The long forms of both elements accept all four channels.
    EXPECT_EQ(modelFrom("model l { alpha { r 1 g 2 b 3 a 4 } line 0 0 1 1 }").lines[0].color,
              0x04010203u);
    // Unreadable channel values set the channel to 0.
    EXPECT_EQ(modelFrom("model u { color x y z line 0 0 1 1 }").lines[0].color, 0xFF000000u);
    // The colour does not carry over to the next model.
    EXPECT_EQ(modelFrom("model next { line 0 0 1 1 }").lines[0].color, 0xFFFFFFFFu);
}

TEST(Models, ShortFormsTakeTheirFixedNumberOfTokens) {
    // Three values and a "hitc": the keyword is the fourth value and reads 0; the
    // circle's values are then skipped one by one.
    Model m = modelFrom("model s { line 0.1 0.2 0.3 hitc 0 0 0.02 }");
    ASSERT_EQ(m.lines.size(), 1u);
    EXPECT_EQ(m.lines[0].x2, 0.3f);
    EXPECT_EQ(m.lines[0].y2, 0.0f);
    EXPECT_TRUE(m.circles.empty());
    // A short colour swallows "line" as its blue value.
    Model c = modelFrom("model c { color 1 2 line 0 0 1 1 }");
    EXPECT_TRUE(c.lines.empty());
    // A coordinate keyword as the last token of a block gets 0.
    Model e = modelFrom("model e { line { x1 0.5 y1 } }");
    EXPECT_EQ(e.lines[0].x1, 0.5f);
    EXPECT_EQ(e.lines[0].y1, 0.0f);
    // A short form at the end of the block reads its missing values as 0.
    Model end = modelFrom("model end { hitc 0.5 }");
    ASSERT_EQ(end.circles.size(), 1u);
    EXPECT_EQ(end.circles[0].x, 0.5f);
    EXPECT_EQ(end.circles[0].r, 0.0f);
}

TEST(Models, ShortFormValuesAreCutTo31CharactersLongFormsAreNot) {
    const std::string tiny = "0.000000000000000000000000000000009";  // 35 characters
    Model s = modelFrom("model s { line " + tiny + " 0 0 0 }");
    EXPECT_EQ(s.lines[0].x1, 0.0f);
    Model l = modelFrom("model l { line { x1 " + tiny + " } }");
    EXPECT_EQ(l.lines[0].x1, static_cast<float>(9e-33));
}

TEST(Models, LongFormRepeatsOverwriteAndUnknownTokensAreSkipped) {
    Model m = modelFrom("model m { line { x1 1 junk x1 2 y2 3 } hitc { r 4 q x 5 } }");
    EXPECT_EQ(m.lines[0].x1, 2.0f);
    EXPECT_EQ(m.lines[0].y2, 3.0f);
    EXPECT_EQ(m.circles[0].x, 5.0f);
    EXPECT_EQ(m.circles[0].r, 4.0f);
}

TEST(Models, NamesAreCutTo29AndTagged) {
    const std::string forty(40, 'n');
    EXPECT_EQ(modelFrom("model " + forty + " { }").name, std::string(29, 'n'));
    EXPECT_EQ(modelFrom("model " + forty + " { }", 1).name, std::string(29, 'n') + "\x01\x01");
    EXPECT_EQ(modelFrom("model { name A name B }").name, "b");  // a later name replaces
    EXPECT_EQ(modelFrom("model { line 0 0 1 1 }").name, "");
    EXPECT_EQ(modelFrom("model head { name other }").name, "other");
}

TEST(Models, FileTags) {
    EXPECT_EQ(fileTag(0), "");
    EXPECT_EQ(fileTag(1), std::string("\x01\x01"));
    EXPECT_EQ(fileTag(2), std::string("\x01\x02"));
    EXPECT_EQ(fileTag(255), std::string("\x01\xFF"));
    // Past 255 files the tags repeat; the second byte is never 0.
    EXPECT_EQ(fileTag(256), fileTag(1));
    EXPECT_EQ(fileTag(510), fileTag(255));
    for (int32_t ordinal = 1; ordinal < 2000; ++ordinal) {
        ASSERT_EQ(fileTag(ordinal).size(), 2u);
        ASSERT_NE(fileTag(ordinal)[1], '\0') << ordinal;
    }
}

TEST(Models, FindModelTakesTheFirstMatchAndAppendKeepsTheIndex) {
    resetGameState();
    Model a;
    a.name = "rock";
    Model b;
    b.name = "gem";
    appendModel(game.defs, a);
    appendModel(game.defs, b);
    appendModel(game.defs, a);
    EXPECT_EQ(findModel("rock"), 0);
    EXPECT_EQ(findModel("gem"), 1);
    EXPECT_EQ(findModel("none"), 0);
    const NameSpan* span = findName(game.defs.modelNames, "rock");
    ASSERT_NE(span, nullptr);
    EXPECT_EQ(span->first, 0u);
    EXPECT_EQ(span->last, 2u);
    EXPECT_EQ(findName(game.defs.modelNames, "ro"), nullptr);
}

// ---------------------------------------------------------------- font

namespace {

// Loads a font file with `content` at the current file ordinal.
void loadFont(std::string_view content) {
    TempDir dir;
    EXPECT_TRUE(loadFontFile(dir.write("font.vec", content)));
}

}  // namespace

TEST(Font, SampleFontFile) {
    resetGameState();
    game.defs.fileOrdinal = 1;  // read after base.vec
    loadFont(
        "// glyph 0: drawn for every character without a glyph of its own\n"
        "model sym_ { }\n"
        "model syma {\n"
        "  line 0 0.5 0.25 -0.5\n"
        "  line 0.25 -0.5 0.5 0.5\n"
        "  line 0.1 0.1 0.4 0.1\n"
        "}\n"
        "model sym1 { line 0.25 -0.5 0.25 0.5 }\n"
        "model sym. { line 0.25 0.45 0.25 0.5 }\n");
    const auto& defs = game.defs;
    ASSERT_EQ(defs.fontGlyphs.size(), 4u);
    EXPECT_EQ(defs.fontGlyphs[1].name, "syma\x01\x01");
    EXPECT_EQ(defs.fontGlyphs[1].lines.size(), 3u);
    EXPECT_EQ(defs.glyphTable['a'], 1);
    EXPECT_EQ(defs.glyphTable['A'], 1);
    EXPECT_EQ(defs.glyphTable['1'], 2);
    EXPECT_EQ(defs.glyphTable['.'], 3);
    EXPECT_EQ(defs.glyphTable[' '], 0);
    EXPECT_EQ(defs.glyphTable['_'], 0);
    EXPECT_EQ(defs.glyphTable['b'], 0);
    EXPECT_EQ(defs.glyphTable[200], 0);
    EXPECT_EQ(defs.fileOrdinal, 1);  // the font does not advance the ordinal
    EXPECT_TRUE(defs.modelRegistry.empty());
}

TEST(Font, LastGlyphWithAKeyWins) {
    resetGameState();
    loadFont("model sym0 { } model sym7 { } model num7 { line 0 0 1 1 }");
    EXPECT_EQ(game.defs.glyphTable['7'], 2);
    EXPECT_EQ(game.defs.fontGlyphs.size(), 3u);
}

TEST(Font, FirstGlyphMayBeALetter) {
    resetGameState();
    loadFont("model symq { line 0 0 1 1 } model sym1 { }");
    EXPECT_EQ(game.defs.glyphTable[' '], 0);
    EXPECT_EQ(game.defs.glyphTable['Q'], 0);
    EXPECT_EQ(game.defs.glyphTable['1'], 1);
    EXPECT_EQ(game.defs.fontGlyphs[0].name, "symq");
}

TEST(Font, NoModelsOrNoFile) {
    resetGameState();
    loadFont("line 0 0 1 1 name syma\n");
    EXPECT_TRUE(game.defs.fontGlyphs.empty());
    for (int32_t entry : game.defs.glyphTable) EXPECT_EQ(entry, 0);
    EXPECT_TRUE(loadFontFile("/nonexistent/quillfray/font.vec"));
    EXPECT_TRUE(game.defs.fontGlyphs.empty());
}

TEST(Font, ShortGlyphNamesNeverReadPastTheName) {
    resetGameState();
    // Without a tag, names of fewer than four bytes have no key and change nothing.
    loadFont("model ab { } model abc { } model x { }");
    EXPECT_EQ(game.defs.fontGlyphs.size(), 3u);
    for (int32_t entry : game.defs.glyphTable) EXPECT_EQ(entry, 0);
    // With a tag, a three-letter name's fourth byte is the tag's first byte.
    resetGameState();
    game.defs.fileOrdinal = 1;
    loadFont("model sym0 { } model abc { } model a { }");
    EXPECT_EQ(game.defs.glyphTable[0x01], 1);
    EXPECT_EQ(game.defs.glyphTable[0], 0);
}

TEST(Font, ModelKeywordInsideOtherBlocksStillStartsAGlyph) {
    resetGameState();
    loadFont("script s { model symz { } }");
    ASSERT_EQ(game.defs.fontGlyphs.size(), 1u);
    EXPECT_EQ(game.defs.glyphTable['z'], 0);
    EXPECT_EQ(game.defs.glyphTable['Z'], 0);
    loadFont("script s { model symz { } }");
    EXPECT_EQ(game.defs.glyphTable['Z'], 1);
}

TEST(Font, ResetRegistriesLeavesTheFontAlone) {
    resetGameState();
    loadFont("model sym_ { } model symk { }");
    resetRegistries();
    EXPECT_EQ(game.defs.fontGlyphs.size(), 2u);
    EXPECT_EQ(game.defs.glyphTable['k'], 1);
}

TEST(Models, NameIndexKeepsFirstAndLastThroughGrowth) {
    NameIndex index;
    EXPECT_EQ(findName(index, "x"), nullptr);
    for (uint32_t i = 0; i < 20000; ++i) indexName(index, "n" + std::to_string(i % 7000), i);
    indexName(index, "", 20000);
    indexName(index, std::string("a\0b", 3), 20001);
    EXPECT_EQ(index.size(), 7002u);
    for (uint32_t k = 0; k < 7000; ++k) {
        const NameSpan* span = findName(index, "n" + std::to_string(k));
        ASSERT_NE(span, nullptr) << k;
        EXPECT_EQ(span->first, k);
        EXPECT_EQ(span->last, k < 6000 ? k + 14000 : k + 7000);
    }
    EXPECT_EQ(findName(index, "n7000"), nullptr);
    EXPECT_EQ(findName(index, "")->first, 20000u);
    EXPECT_EQ(findName(index, std::string("a\0b", 3))->first, 20001u);
    EXPECT_EQ(findName(index, "a"), nullptr);
    // Keys no name begins like are ruled out by their first byte alone.
    EXPECT_TRUE(mayHoldName(index, "nobody"));
    EXPECT_TRUE(mayHoldName(index, ""));
    EXPECT_FALSE(mayHoldName(index, "0.5"));
    EXPECT_FALSE(mayHoldName(index, "\xFFn1"));
    // The high half of a name's hash code finds it; other names' halves almost never do.
    size_t strays = 0;
    for (uint32_t k = 0; k < 7000; ++k) {
        const auto high = [](const std::string& name) {
            return static_cast<uint32_t>(nameHash(name) >> 32);
        };
        EXPECT_TRUE(mayHoldHash(index, high("n" + std::to_string(k)))) << k;
        strays += mayHoldHash(index, high("m" + std::to_string(k))) ? 1 : 0;
    }
    EXPECT_LT(strays, 7u);
    indexName(index, "\xFF", 20002);
    EXPECT_EQ(findName(index, "\xFF")->first, 20002u);
    index.clear();
    EXPECT_TRUE(index.empty());
    EXPECT_FALSE(mayHoldName(index, ""));
    EXPECT_FALSE(mayHoldName(index, "n1"));
    EXPECT_EQ(findName(index, "n1"), nullptr);
}
