// Command words and parameter names decode to the right vocabulary entries, and the
// parser, the interpreter, the timeline and the checker take every command word from
// one table; every word of the vocabulary has a description.
#include "actors/param_use.h"
#include "defs/command_words.h"
#include "defs/defs.h"
#include "defs/vocabulary_docs.h"
#include "script/script.h"
#include "tests/check_helpers.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Vocabulary, CommandWordsAreExactAndCaseSensitive) {
    EXPECT_EQ(commandWordOf("spawn"), CommandWord::Spawn);
    EXPECT_EQ(commandWordOf("selfmodify"), CommandWord::Selfmodify);
    EXPECT_EQ(commandWordOf("alter"), CommandWord::Alter);
    EXPECT_EQ(commandWordOf("refly"), CommandWord::Refly);
    EXPECT_EQ(commandWordOf("Spawn"), CommandWord::Unknown);
    EXPECT_EQ(commandWordOf("spawn "), CommandWord::Unknown);
    EXPECT_EQ(commandWordOf(""), CommandWord::Unknown);
}

TEST(Vocabulary, EverySpellingRoundTrips) {
    for (int i = 1; i < static_cast<int>(ParamName::Count_); ++i) {
        auto name = static_cast<ParamName>(i);
        EXPECT_EQ(paramNameOf(paramNameText(name)), name) << paramNameText(name);
    }
    EXPECT_EQ(paramNameOf("onfleave"), ParamName::Onfleave);
    EXPECT_EQ(paramNameOf("s_an"), ParamName::Unknown);
    EXPECT_EQ(paramNameOf("Speed"), ParamName::Unknown);
}

TEST(Vocabulary, PrefixIsCutOnlyForThePlainName) {
    using testing_support::makeParam;
    auto p = makeParam("s_an", "10");
    EXPECT_EQ(p.prefix, 's');
    EXPECT_EQ(p.plainName, ParamName::An);
    EXPECT_EQ(p.wholeName, ParamName::Unknown);
    auto q = makeParam("owner", "1");
    EXPECT_EQ(q.prefix, 0);
    EXPECT_EQ(q.plainName, ParamName::Owner);
    EXPECT_EQ(q.wholeName, ParamName::Owner);
    auto z = makeParam("z_speed", "0.5");
    EXPECT_EQ(z.prefix, 'z');
    EXPECT_EQ(z.plainName, ParamName::Speed);
}

TEST(CommandWordTable, EveryWordHasAHandlerAndAStageRule) {
    for (size_t i = 0; i < commandwords::count; ++i) {
        const auto word = static_cast<CommandWord>(i);
        const CommandWordRow& row = commandWordRow(word);
        EXPECT_EQ(row.word, word) << i;
        EXPECT_NE(commandHandler(word), nullptr) << row.spelling;
        EXPECT_NE(row.stage, StageRule::Unset) << row.spelling;
    }
    EXPECT_EQ(commandHandler(CommandWord::Count_), nullptr);
}

TEST(CommandWordTable, TheParserSpellsEveryWordAsTheTableDoes) {
    std::vector<std::string_view> spellings;
    for (const CommandWordRow& row : commandwords::rows) {
        if (row.word == CommandWord::Unknown) continue;
        EXPECT_EQ(commandWordOf(row.spelling), row.word) << row.spelling;
        spellings.push_back(row.spelling);
        if (!row.alias.empty()) {
            EXPECT_EQ(commandWordOf(row.alias), row.word) << row.alias;
            spellings.push_back(row.alias);
        }
    }
    const auto parsed = commandWordSpellings();
    EXPECT_EQ(std::vector<std::string_view>(parsed.begin(), parsed.end()), spellings);
}

TEST(CommandWordTable, TheCheckersHintsComeFromTheTable) {
    std::string stageWords;  // "spawn, trigger, boss, sound and music" for the table as it is
    for (const CommandWordRow& row : commandwords::rows)
        if (row.stage != StageRule::Ignored) stageWords += std::string(row.spelling) + ",";
    EXPECT_EQ(stageWords, "spawn,trigger,boss,sound,music,");
    for (const CommandWordRow& row : commandwords::rows) {
        if (row.word == CommandWord::Unknown) continue;
        const std::string word(row.spelling);
        const std::string found = check_test::listing(check_test::runOn(
            check_test::cleanBase, check_test::cleanFont,
            {"script s { cmd " + word + " { zz 1 } }\nstage 5 { event 0 { cmd " + word + " { } } }\n"}));
        const bool saysNoParameters =
            found.find("'" + word + "' takes no parameters: 'zz'") != std::string::npos;
        EXPECT_EQ(saysNoParameters, takesNoParameters(row)) << found;
        const bool saysStage = found.find("'" + word + "' does nothing in a stage event: stage events "
                                          "run only spawn, trigger, boss, sound and music") != std::string::npos;
        EXPECT_EQ(saysStage, row.stage == StageRule::Ignored) << found;
        if (row.required != ParamName::Unknown) {
            const std::string says = "'" + word + "' without '" +
                                     std::string(paramNameText(row.required)) + "' " +
                                     std::string(row.withoutRequired);
            EXPECT_NE(found.find(says), std::string::npos) << found;
        }
    }
}

TEST(VocabularyDocs, EveryCommandWordParameterAndEventIsDescribed) {
    for (size_t i = 1; i < commandwords::count; ++i) {
        const auto word = static_cast<CommandWord>(i);
        EXPECT_FALSE(describeCommand(word).empty()) << i;
        EXPECT_NE(describeWord(commandWordRow(word).spelling).find("(cmd)"), std::string::npos) << i;
    }
    for (int i = 1; i < static_cast<int>(ParamName::Count_); ++i) {
        const WordDoc doc = describeParam(static_cast<ParamName>(i));
        EXPECT_EQ(doc.name, paramNameText(static_cast<ParamName>(i)));
        EXPECT_FALSE(doc.text.empty()) << doc.name;
        EXPECT_FALSE(describeWord(doc.name).empty()) << doc.name;
    }
    EXPECT_EQ(describeParam(ParamName::Ondie).kind, WordKind::Event);
    EXPECT_EQ(describeParam(ParamName::Hittable).kind, WordKind::Flag);
    EXPECT_EQ(describeParam(ParamName::Speed).kind, WordKind::Parameter);
}

TEST(VocabularyDocs, EveryBlockKeywordAndBlockWordIsDescribed) {
    for (std::string_view word : topLevelKeywords(false))
        EXPECT_FALSE(findWordDocs(word).empty()) << word;
    for (int k = 0; k <= static_cast<int>(BlockKind::Music); ++k) {
        for (std::string_view word : blockKeywords(static_cast<BlockKind>(k))) {
            bool found = false;
            for (const WordDoc& doc : findWordDocs(word))
                found = found || doc.kind == WordKind::Block || doc.kind == WordKind::BlockWord ||
                        doc.kind == WordKind::SoundParam;
            EXPECT_TRUE(found) << word << " of block kind " << k;
        }
    }
    EXPECT_NE(describeWord("freq").find("Unit: Hz, 20 to 12000. Default: 440."), std::string::npos)
        << describeWord("freq");
}

TEST(VocabularyDocs, APrefixedNameIsDescribedByItsPrefixAndItsName) {
    const std::string text = describeWord("s_speed");
    EXPECT_NE(text.find("start of the parameter's range"), std::string::npos) << text;
    EXPECT_NE(text.find("**speed**"), std::string::npos) << text;
    EXPECT_NE(describeWord("d_x").find("Adds the value"), std::string::npos);
    EXPECT_NE(describeWord("z_x").find("acts as no prefix"), std::string::npos);
    EXPECT_EQ(describeWord("s_owner"), "");  // a whole name takes no prefix
    EXPECT_EQ(describeWord("sped"), "");
    EXPECT_EQ(describeWord("spawn").find("**spawn** (cmd): Makes an Emitter"), 0u);
}

TEST(VocabularyDocs, APartNamedForSpawnOrAlterIsOneThatCommandReads) {
    for (size_t i = 1; i < static_cast<size_t>(ParamName::Count_); ++i) {
        const auto name = static_cast<ParamName>(i);
        const std::string text(describeParam(name).text);
        const paramuse::Row& row = paramuse::rows[i];
        if (text.find("alter:") != std::string::npos) {
            EXPECT_NE(row.alter, ParamRead::Ignored) << text;
        }
        if (text.find("spawn:") != std::string::npos) {
            EXPECT_NE(row.spawn, ParamRead::Ignored) << text;
        }
    }
}

TEST(EditorHelp, CompletesFromTheWordsBeforeTheCursor) {
    const CompletionAsk command = completionAsk("  { cmd SP");
    EXPECT_EQ(command.prefix, "sp");
    EXPECT_EQ(command.previous, "cmd");
    const std::vector<CompletionWord> commands = vocabularyCompletions(command);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].label, "spawn");
    EXPECT_EQ(commands[0].kind, CompletionKind::Command);
    EXPECT_EQ(completionAsk("{ model ").names, NameWanted::Model);
    EXPECT_TRUE(vocabularyCompletions(completionAsk("{ model ")).empty());
    const std::vector<CompletionWord> prefixed = vocabularyCompletions(completionAsk("  s_spe"));
    EXPECT_TRUE(std::any_of(prefixed.begin(), prefixed.end(),
                            [](const CompletionWord& w) { return w.label == "s_speed"; }));
    EXPECT_EQ(tokenAt("stage 1 {\n  s_speed{", 1, 4), "s_speed");
    EXPECT_EQ(tokenAt("x", 3, 0), "");
}
