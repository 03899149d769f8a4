// Command blocks: words, parameters, inline event scripts, lookups and decoded names.
#include "core/game_state.h"
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cmath>

using testing_support::makeParam;
using testing_support::TempDir;

namespace {

// Loads `content` as the next file of the level loader.
void loadText(const TempDir& dir, std::string_view content) {
    static_cast<void>(loadDefinitionFile(dir.write("f.lev", content)));
}

// The commands of the last Script registered.
const std::vector<Command>& lastCommands() { return game.defs.scriptRegistry.back().commands; }

// Expects two parameters to match in every field.
void expectSameParam(const SpawnParam& a, const SpawnParam& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.intValue, b.intValue);
    EXPECT_EQ(a.floatValue, b.floatValue);
    EXPECT_EQ(a.modelIndex, b.modelIndex);
    EXPECT_EQ(a.scriptIndex, b.scriptIndex);
    EXPECT_EQ(a.prefix, b.prefix);
    EXPECT_EQ(a.plainName, b.plainName);
    EXPECT_EQ(a.wholeName, b.wholeName);
}

// Expects two commands to match in every field.
void expectSameCommand(const Command& a, const Command& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.word, b.word);
    ASSERT_EQ(a.params.size(), b.params.size());
    for (size_t i = 0; i < a.params.size(); ++i) expectSameParam(a.params[i], b.params[i]);
}

// The Command a script with one command block `block` gives in a fresh level.
Command loadOne(std::string_view block) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model rock { } model spark { } script s { " + std::string(block) + " }");
    return lastCommands().at(0);
}

}  // namespace

TEST(Commands, ThreeEquivalentForms) {
    const char* tail =
        "model rock x 0.5 speed 0.004 ondie { command spawn { model spark count 8 } } }";
    Command a = loadOne(std::string("command spawn { ") + tail);
    Command b = loadOne(std::string("command { cmd spawn ") + tail);
    Command c = loadOne(std::string("cmd spawn { ") + tail);
    expectSameCommand(a, b);
    expectSameCommand(a, c);
    EXPECT_EQ(a.name, "spawn");
    EXPECT_EQ(a.word, CommandWord::Spawn);
    ASSERT_EQ(a.params.size(), 4u);
    EXPECT_EQ(a.params[0].modelIndex, 0u);
    EXPECT_EQ(a.params[1].floatValue, 0.5f);
    EXPECT_EQ(a.params[2].floatValue, 0.004f);
    EXPECT_EQ(a.params[3].text, "{");
    EXPECT_EQ(a.params[3].intValue, 1);
    EXPECT_EQ(a.params[3].scriptIndex, 0u);
    // The inline script holds the spark spawn.
    const Script& inner = game.defs.scriptRegistry.at(0);
    EXPECT_EQ(inner.name, "1");
    EXPECT_EQ(inner.commands.at(0).params.at(0).modelIndex, 1u);
    EXPECT_EQ(inner.commands.at(0).params.at(1).intValue, 8);
}

TEST(Commands, LaterCmdReplacesTheWord) {
    Command c = loadOne("command { cmd spawn cmd trigger id 3 }");
    EXPECT_EQ(c.name, "trigger");
    EXPECT_EQ(c.word, CommandWord::Trigger);
    ASSERT_EQ(c.params.size(), 1u);
    EXPECT_EQ(c.params[0].name, "id");
    EXPECT_EQ(c.params[0].intValue, 3);
    EXPECT_EQ(c.params[0].wholeName, ParamName::Id);
}

TEST(Commands, EventParameterNamingAScript) {
    resetGameState();
    TempDir dir;
    loadText(dir, "script zero { } script boom { } script s { cmd spawn { onhit boom } }");
    const SpawnParam& p = lastCommands().at(0).params.at(0);
    EXPECT_EQ(p.text, "boom");
    EXPECT_EQ(p.scriptIndex, 1u);
    EXPECT_EQ(p.intValue, 0);
    EXPECT_EQ(p.floatValue, 0.0f);
}

TEST(Commands, InlineBlockRegistersANumberedScript) {
    resetGameState();
    TempDir dir;
    loadText(dir, "script zero { } script s { cmd spawn { onhit { cmd remove { } } } }");
    const auto& scripts = game.defs.scriptRegistry;
    ASSERT_EQ(scripts.size(), 3u);
    EXPECT_EQ(scripts[1].name, "1");
    EXPECT_EQ(scripts[1].commands.at(0).word, CommandWord::Remove);
    const SpawnParam& p = scripts[2].commands.at(0).params.at(0);
    EXPECT_EQ(p.text, "{");
    EXPECT_EQ(p.intValue, 1);
    EXPECT_EQ(p.floatValue, 1.0f);
    EXPECT_EQ(p.scriptIndex, 1u);
    EXPECT_EQ(game.defs.anonymousScriptCounter, 2);
}

TEST(Commands, NestedInlineBlocksAreNumberedInnerFirstAcrossFiles) {
    resetGameState();
    TempDir dir;
    loadText(dir, "script s { cmd a { ondie { cmd b { onhit { } } } ontime { } } }");
    const auto& scripts = game.defs.scriptRegistry;
    ASSERT_EQ(scripts.size(), 4u);
    EXPECT_EQ(scripts[0].name, "1");  // innermost
    EXPECT_EQ(scripts[1].name, "2");  // its parent
    EXPECT_EQ(scripts[2].name, "3");
    EXPECT_EQ(scripts[1].commands.at(0).params.at(0).scriptIndex, 0u);
    EXPECT_EQ(scripts[3].commands.at(0).params.at(1).scriptIndex, 2u);
    loadText(dir, "script t { cmd a { onhit { } } }");
    EXPECT_EQ(scripts.at(4).name, "4");  // the counter runs across files, untagged
}

TEST(Commands, OnNamesAndBracesOnlyMakeBlocksTogether) {
    Command c = loadOne("cmd x { onhit rock model { y 2 } }");
    ASSERT_EQ(c.params.size(), 3u);
    EXPECT_EQ(c.params[0].name, "onhit");
    EXPECT_EQ(c.params[0].text, "rock");
    EXPECT_EQ(c.params[1].name, "model");
    EXPECT_EQ(c.params[1].text, "{");
    EXPECT_EQ(c.params[2].name, "y");
    EXPECT_EQ(c.params[2].intValue, 2);
    // The block's last token "}" is then a name without a value and adds nothing.
    EXPECT_EQ(game.defs.scriptRegistry.size(), 1u);
}

TEST(Commands, LongValuesAreCutAndLookedUpByTheir29CharacterPrefix) {
    const std::string name35 = "abcdefghijklmnopqrstuvwxyz0123456789";  // 36 characters
    resetGameState();
    TempDir dir;
    loadText(dir, "model zero { } model " + name35 + " { } script s { cmd x { " + name35 +
                      "abc " + name35 + " } }");
    const SpawnParam& p = lastCommands().at(0).params.at(0);
    EXPECT_EQ(p.name, name35.substr(0, 31));
    EXPECT_EQ(p.text, name35.substr(0, 31));
    EXPECT_EQ(game.defs.modelRegistry[1].name, name35.substr(0, 29));
    EXPECT_EQ(p.modelIndex, 1u);
}

TEST(Commands, TaggedNamesBeatBaseNamesAndTheLaterDefinitionWins) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model rock { } model rock { } script base { cmd x { model rock } }");
    EXPECT_EQ(lastCommands().at(0).params.at(0).modelIndex, 1u);
    loadText(dir, "model rock { } script lev { cmd x { model rock } }");
    EXPECT_EQ(game.defs.modelRegistry.at(2).name, std::string("rock\x01\x01"));
    EXPECT_EQ(lastCommands().at(0).params.at(0).modelIndex, 2u);
}

TEST(Commands, ModelAndScriptOfTheSameNameSetBothIndices) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model zero { } model same { } script zero { } script same { } "
                  "script s { cmd x { model same } }");
    const SpawnParam& p = lastCommands().at(0).params.at(0);
    EXPECT_EQ(p.modelIndex, 1u);
    EXPECT_EQ(p.scriptIndex, 1u);
}

TEST(Commands, RemoveWithAnEmptyBlock) {
    Command c = loadOne("cmd remove { }");
    EXPECT_EQ(c.name, "remove");
    EXPECT_EQ(c.word, CommandWord::Remove);
    EXPECT_TRUE(c.params.empty());
}

TEST(Commands, SoundAndMusicNamesAreKeptOnceEach) {
    resetRegistries();
    TempDir dir;
    loadText(dir, "script s { cmd sound { name boom } cmd music { name theme } cmd sound { name x name boom }\n"
                  "  cmd music { name stop } cmd sound { name stop } cmd music { } cmd spawn { name boom } }");
    const std::vector<Command>& c = lastCommands();
    ASSERT_EQ(c.size(), 7u);
    EXPECT_EQ(c[0].word, CommandWord::Sound);
    EXPECT_EQ(c[1].word, CommandWord::Music);
    // The last name counts; a name is kept once whichever command gives it.
    EXPECT_EQ(game.defs.soundCommandNames, (std::vector<std::string>{"boom", "theme", "stop"}));
    EXPECT_EQ(c[0].soundName, 0);
    EXPECT_EQ(c[1].soundName, 1);
    EXPECT_EQ(c[2].soundName, 0);
    EXPECT_EQ(c[3].soundName, musicStop);  // only music stops
    EXPECT_EQ(c[4].soundName, 2);
    EXPECT_EQ(c[5].soundName, noSoundName);
    EXPECT_EQ(c[6].soundName, noSoundName);
    resetRegistries();
    EXPECT_TRUE(game.defs.soundCommandNames.empty());
}

TEST(Commands, NumbersAreReadLikeAtolAndAtof) {
    Command c = loadOne("cmd x { a 1.9 b 2e3 c -0.25 d rock e 99999999999 f 1e999 }");
    ASSERT_EQ(c.params.size(), 6u);
    EXPECT_EQ(c.params[0].intValue, 1);
    EXPECT_EQ(c.params[0].floatValue, 1.9f);
    EXPECT_EQ(c.params[1].intValue, 2);
    EXPECT_EQ(c.params[1].floatValue, 2000.0f);
    EXPECT_EQ(c.params[2].intValue, 0);
    EXPECT_EQ(c.params[2].floatValue, -0.25f);
    EXPECT_EQ(c.params[3].intValue, 0);
    EXPECT_EQ(c.params[3].floatValue, 0.0f);
    EXPECT_EQ(c.params[4].intValue, 2147483647);
    EXPECT_TRUE(std::isinf(c.params[5].floatValue));
}

TEST(Commands, DecodedNamesMatchMakeParam) {
    Command c = loadOne("cmd spawn { s_an 10 owner 1 z_speed 0.5 ondie rock x_ 3 d_life 4 }");
    ASSERT_EQ(c.params.size(), 6u);
    for (const SpawnParam& p : c.params) expectSameParam(p, [&] {
        SpawnParam expected = makeParam(p.name, p.text);
        expected.modelIndex = p.modelIndex;
        expected.scriptIndex = p.scriptIndex;
        return expected;
    }());
    EXPECT_EQ(c.params[0].prefix, 's');
    EXPECT_EQ(c.params[0].plainName, ParamName::An);
    EXPECT_EQ(c.params[0].wholeName, ParamName::Unknown);
    EXPECT_EQ(c.params[3].wholeName, ParamName::Ondie);
    EXPECT_EQ(c.params[4].prefix, 'x');
    EXPECT_EQ(c.params[4].plainName, ParamName::Unknown);
}

TEST(Commands, TextEndingAfterCmdOrAName) {
    // "cmd" with nothing after it reads an empty word, which replaces the earlier one.
    EXPECT_EQ(parseCommand(game.defs, "cmd spawn cmd").name, "");
    EXPECT_EQ(parseCommand(game.defs, "cmd spawn cmd").word, CommandWord::Unknown);
    // A name with no value after it adds no parameter.
    resetGameState();
    Command c = parseCommand(game.defs, "cmd spawn x 1 y ");
    EXPECT_EQ(c.word, CommandWord::Spawn);
    ASSERT_EQ(c.params.size(), 1u);
    EXPECT_EQ(c.params[0].name, "x");
    EXPECT_TRUE(parseCommand(game.defs, "").params.empty());
    EXPECT_EQ(parseCommand(game.defs, "").name, "");
}

TEST(Commands, HeaderWordIsCutTo31) {
    resetGameState();
    Command c = parseCommand(game.defs, "", std::string_view("abcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ(c.name, "abcdefghijklmnopqrstuvwxyz01234");
}

TEST(Commands, InlineBlocksNestUpTo256Deep) {
    auto nested = [](int depth) {
        std::string text;
        // One block per line: a line longer than 1023 bytes would be cut into pieces.
        for (int i = 0; i < depth; ++i) text += "cmd x { ondie {\n";
        for (int i = 0; i < depth; ++i) text += "} }\n";
        return text;
    };
    resetGameState();
    TempDir dir;
    loadText(dir, "script s { " + nested(256) + "}");
    EXPECT_EQ(game.defs.scriptRegistry.size(), 257u);
    resetGameState();
    loadText(dir, "script s { " + nested(300) + "} script after { }");
    const auto& scripts = game.defs.scriptRegistry;
    ASSERT_EQ(scripts.size(), 258u);  // 256 inline, s, after
    EXPECT_EQ(scripts[0].name, "1");
    EXPECT_TRUE(scripts[0].commands.at(0).params.empty());  // its too-deep block was skipped
    EXPECT_EQ(scripts[256].name, "s");
    EXPECT_EQ(scripts[257].name, "after");
}
