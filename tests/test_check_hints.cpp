// Spelling hints and number tests of quillfray-check.
#include "check/hints.h"

#include <gtest/gtest.h>

#include <array>

TEST(CheckHints, EditDistanceCountsSwapsOfNeighboursAsOne) {
    EXPECT_EQ(editDistance("spawn", "spawn"), 0u);
    EXPECT_EQ(editDistance("spwan", "spawn"), 1u);
    EXPECT_EQ(editDistance("sped", "speed"), 1u);
    EXPECT_EQ(editDistance("", "abc"), 3u);
    EXPECT_EQ(editDistance("kitten", "sitting"), 3u);
}

TEST(CheckHints, ClosestWordNeedsToBeClose) {
    constexpr std::array<std::string_view, 4> words = {"model", "ship", "script", "stage"};
    EXPECT_EQ(closestWord("modle", words), "model");
    EXPECT_EQ(closestWord("scirpt", words), "script");
    EXPECT_EQ(closestWord("xyz", words), "");
    EXPECT_EQ(closestWord("", words), "");
    EXPECT_EQ(hintFor("shp", words), " (did you mean 'ship'?)");
    EXPECT_EQ(hintFor("banana", words), "");
}

TEST(CheckHints, NumbersAreJudgedByWhatTheReadersTake) {
    EXPECT_TRUE(isWholeFloat("-0.5e3"));
    EXPECT_TRUE(isWholeFloat(".5"));
    EXPECT_FALSE(isWholeFloat("."));
    EXPECT_FALSE(isWholeFloat("1e"));
    EXPECT_TRUE(isWholeInt("-12"));
    EXPECT_FALSE(isWholeInt("1.0"));
    EXPECT_EQ(numberProblem("0.25", false), "");
    EXPECT_EQ(numberProblem("abc", false), "is not a number and reads as 0");
    EXPECT_EQ(numberProblem("0.5x", false), "reads as 0.5 (the rest is ignored)");
    EXPECT_EQ(numberProblem("2.5", true), "reads as the integer 2 (the fraction is dropped)");
    EXPECT_EQ(numberProblem("7q", true), "reads as the integer 7 (the rest is ignored)");
    EXPECT_EQ(numberProblem("-", true), "is not a number and reads as 0");
}
