// Hostile definition files: random bytes, unclosed and deep blocks, huge numbers and
// long lines load without crashing and without unbounded work or memory.
#include "core/game_state.h"
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <random>

using testing_support::TempDir;

namespace {

// Loads `content` through every loader: level, font and (as base) again as level.
void loadEverywhere(const TempDir& dir, const std::string& content) {
    const std::string path = dir.write("h.lev", content);
    loadDefinitionFile(path);
    loadFontFile(path);
}

// A string of `size` bytes from a seeded generator, biased toward the grammar's bytes.
std::string randomBytes(std::mt19937& rng, size_t size) {
    static const std::string vocabulary[] = {
        "{", "}", " ", "\n", "\t", "model ", "script ", "stage ", "event ", "cmd ", "command ",
        "line ", "hitc ", "color ", "alpha ", "name ", "frame ", "length ", "ondie ", "onhit ",
        "ship ", "-", "9", "1e9", "//", "\r", "0.5 "};
    std::string out;
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_int_distribution<size_t> word(0, std::size(vocabulary) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    while (out.size() < size) {
        if (pick(rng) == 0) out += static_cast<char>(byte(rng));
        else out += vocabulary[word(rng)];
    }
    return out;
}

}  // namespace

TEST(Hostile, RandomBytesNeverCrash) {
    resetGameState();
    TempDir dir;
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) loadEverywhere(dir, randomBytes(rng, 2000));
    EXPECT_EQ(game.defs.fileOrdinal, 200);
    EXPECT_LE(game.defs.timeline.size(), static_cast<size_t>(limits::maxTimelineSlots));
}

TEST(Hostile, PlainRandomBytesNeverCrash) {
    resetGameState();
    TempDir dir;
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 50; ++round) {
        std::string content(5000, '\0');
        for (char& c : content) c = static_cast<char>(byte(rng));
        loadEverywhere(dir, content);
    }
    SUCCEED();
}

TEST(Hostile, UnclosedBlocksTakeTheRestOfTheText) {
    resetGameState();
    TempDir dir;
    loadEverywhere(dir, "model a { line 0 0 1 1 ");
    loadEverywhere(dir, "script s { cmd x { ondie { cmd y { ");
    loadEverywhere(dir, "stage 10 { event 1 { cmd z { a 1 ");
    loadEverywhere(dir, "model");
    loadEverywhere(dir, "script s {");
    loadEverywhere(dir, "ship");
    const auto& defs = game.defs;
    ASSERT_FALSE(defs.modelRegistry.empty());
    EXPECT_EQ(defs.modelRegistry[0].lines.size(), 1u);
    EXPECT_EQ(defs.timeline.at(1).commands.at(0).params.at(0).intValue, 1);
}

TEST(Hostile, HugeNumbers) {
    resetGameState();
    TempDir dir;
    // Tokens stay under the 1023-byte piece length, so each one is read whole.
    const std::string nines(1000, '9');
    loadEverywhere(dir,
                   "model m { line\n" + nines + "\n-" + nines + "\n1e99999 -1e99999 hitc 1e38 1e38 1\n"
                   "color 99999999999 -99999999999\n" + nines + "\n}\n"
                   "script s { cmd x { a\n" + nines + "\nb\n-" + nines + "\nc 1e-99999 } }\n"
                   "stage\n" + nines + "\n{ event\n" + nines + "\n{ cmd y { } } length\n-" + nines + "\n}\n");
    const auto& defs = game.defs;
    ASSERT_EQ(defs.modelRegistry.size(), 1u);
    // Short-form values are cut to 31 characters; 1e99999 still overflows.
    EXPECT_FLOAT_EQ(defs.modelRegistry[0].lines.at(0).x1, 1e31f);
    EXPECT_TRUE(std::isinf(defs.modelRegistry[0].lines.at(0).x2));
    EXPECT_TRUE(std::isinf(defs.modelRegistry[0].circles.at(0).distance));
    const SpawnParam& a = defs.scriptRegistry.at(0).commands.at(0).params.at(0);
    EXPECT_EQ(a.intValue, 2147483647);
    EXPECT_EQ(defs.timelineLength, 0);  // the last length was negative
}

TEST(Hostile, DeepBracesAndDeepInlineBlocks) {
    resetGameState();
    TempDir dir;
    loadEverywhere(dir, std::string(200000, '{') + std::string(200000, '}'));
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "cmd x { ondie { ";
    loadEverywhere(dir, "script s { " + deep);  // unclosed as well
    std::string closed = "script s { " + deep;
    for (int i = 0; i < 20000; ++i) closed += "} } ";
    loadEverywhere(dir, closed + "}");
    EXPECT_LE(game.defs.scriptRegistry.size(), 2u * (limits::maxBlockDepth + 1));
}

TEST(Hostile, DeepEventAndCommandHeaders) {
    resetGameState();
    TempDir dir;
    std::string text = "stage 5 { ";
    for (int i = 0; i < 50000; ++i) text += "event a b ";
    loadEverywhere(dir, text);
    SUCCEED();
}

TEST(Hostile, LongLinesAndManyTinyTokens) {
    resetGameState();
    TempDir dir;
    std::string line;
    for (int i = 0; i < 100000; ++i) line += "x ";
    loadEverywhere(dir, "model m { " + line + "}\n" + std::string(50000, 'q') + "\n");
    EXPECT_EQ(game.defs.modelRegistry.size(), 1u);
}

TEST(Hostile, DirectoryAsAFile) {
    resetGameState();
    TempDir dir;
    EXPECT_TRUE(loadDefinitionFile(dir.path().string()));
    EXPECT_TRUE(loadFontFile(dir.path().string()));
    EXPECT_TRUE(game.defs.modelRegistry.empty());
}
