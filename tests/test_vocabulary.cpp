// Command words and parameter names decode to the right vocabulary entries.
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

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
