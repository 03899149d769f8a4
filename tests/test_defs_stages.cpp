// Script and stage blocks: events, frames, lengths, the timeline and findScript.
#include "core/game_state.h"
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

// Loads `content` as the next file of the level loader.
void loadText(const TempDir& dir, std::string_view content) {
    static_cast<void>(loadDefinitionFile(dir.write("f.lev", content)));
}

// The number of commands in each timeline slot that holds any, as slot -> count.
std::map<size_t, size_t> filledSlots() {
    std::map<size_t, size_t> out;
    const auto& timeline = game.defs.timeline;
    for (size_t i = 0; i < timeline.size(); ++i)
        if (!timeline[i].commands.empty()) out[i] = timeline[i].commands.size();
    return out;
}

using Slots = std::map<size_t, size_t>;

}  // namespace

TEST(Stages, SampleScriptAndStage) {
    resetGameState();
    TempDir dir;
    loadText(dir,
             "script rockfall {\n"
             "  command spawn { model a }\n"
             "  cmd trigger { id 1 }\n"
             "}\n"
             "stage 600 {\n"
             "  event 0 { command spawn { x 0 } }\n"
             "  event 120 {\n"
             "    command spawn { x 120 }\n"
             "    frame 180\n"
             "    command spawn { x 180 }\n"
             "  }\n"
             "  event { command spawn { x 181 } }\n"
             "}\n");
    const auto& defs = game.defs;
    ASSERT_EQ(defs.scriptRegistry.size(), 1u);
    const Script& rockfall = defs.scriptRegistry[0];
    EXPECT_EQ(rockfall.name, "rockfall");
    ASSERT_EQ(rockfall.commands.size(), 2u);
    EXPECT_EQ(rockfall.commands[0].word, CommandWord::Spawn);
    EXPECT_EQ(rockfall.commands[1].word, CommandWord::Trigger);
    EXPECT_EQ(defs.timeline.size(), 600u);
    EXPECT_EQ(defs.timelineLength, 600);
    EXPECT_EQ(filledSlots(), (Slots{{0, 1}, {120, 1}, {180, 1}, {181, 1}}));
    for (size_t slot : {0, 120, 180, 181}) {
        const SpawnParam& p = defs.timeline[slot].commands[0].params.at(0);
        EXPECT_EQ(p.intValue, static_cast<int32_t>(slot));
        EXPECT_EQ(defs.timeline[slot].name, "");
    }
}

TEST(Stages, EquivalentHeaders) {
    resetGameState();
    TempDir dir;
    loadText(dir, "stage { length 300 event { frame 120 cmd a { } } event 130 { cmd b { } } }");
    EXPECT_EQ(game.defs.timelineLength, 300);
    EXPECT_EQ(filledSlots(), (Slots{{120, 1}, {130, 1}}));
    loadText(dir, "stage 300 { event 120 { cmd a { } } event { frame 130 cmd b { } } }");
    EXPECT_EQ(game.defs.timelineLength, 600);
    EXPECT_EQ(filledSlots(), (Slots{{120, 1}, {130, 1}, {420, 1}, {430, 1}}));
}

TEST(Stages, TwoStagesInOneOrTwoFiles) {
    resetGameState();
    TempDir dir;
    loadText(dir, "stage 600 { } stage 900 { event 0 { cmd a { } } }");
    EXPECT_EQ(game.defs.timeline.size(), 1500u);
    EXPECT_EQ(game.defs.timelineLength, 1500);
    EXPECT_EQ(filledSlots(), (Slots{{600, 1}}));
    resetGameState();
    loadText(dir, "stage 600 { }");
    loadText(dir, "stage 900 { event 0 { cmd a { } } }");
    EXPECT_EQ(game.defs.timelineLength, 1500);
    EXPECT_EQ(filledSlots(), (Slots{{600, 1}}));
}

TEST(Stages, ShorterSecondLengthDropsCommands) {
    resetGameState();
    TempDir dir;
    loadText(dir,
             "stage { length 600 event 100 { cmd a { } } event 400 { cmd b { } } length 300 }");
    EXPECT_EQ(game.defs.timeline.size(), 300u);
    EXPECT_EQ(game.defs.timelineLength, 300);
    EXPECT_EQ(filledSlots(), (Slots{{100, 1}}));
    // Growing again from the same base gives empty slots.
    resetGameState();
    loadText(dir, "stage { length 600 event 400 { cmd b { } } length 300 length 500 }");
    EXPECT_EQ(game.defs.timelineLength, 500);
    EXPECT_TRUE(filledSlots().empty());
}

TEST(Stages, FramelessEventsFollowThePreviousEvent) {
    resetGameState();
    TempDir dir;
    loadText(dir,
             "stage 100 { event { cmd a { } } event { cmd b { } cmd c { } } "
             "event 50 { frame 60 } event { cmd d { } } event 70 { cmd e { } } event 70 { cmd f { } } }");
    EXPECT_EQ(filledSlots(), (Slots{{0, 1}, {1, 2}, {61, 1}, {70, 2}}));
    EXPECT_EQ(game.defs.timeline[70].commands[0].name, "e");
    EXPECT_EQ(game.defs.timeline[70].commands[1].name, "f");
}

TEST(Stages, FirstFramelessEventOfALaterStageGoesToThatStagesFirstSlot) {
    resetGameState();
    TempDir dir;
    loadText(dir, "stage 600 { } stage 300 { event { cmd late { } } event { cmd next { } } }");
    EXPECT_EQ(filledSlots(), (Slots{{600, 1}, {601, 1}}));
    EXPECT_TRUE(game.defs.timeline[0].commands.empty());
}

TEST(Stages, EventFramesOutsideTheStageAreIgnored) {
    resetGameState();
    TempDir dir;
    loadText(dir,
             "stage 100 { } stage 100 {\n"
             "  event -1 { cmd neg { } }\n"
             "  event 100 { cmd past { } }\n"
             "  event 99 { cmd last { } }\n"
             "  event 0 { frame 250 cmd far { } frame 5 cmd ok { } }\n"
             "}\n");
    EXPECT_EQ(game.defs.timeline.size(), 200u);
    EXPECT_EQ(filledSlots(), (Slots{{105, 1}, {199, 1}}));
}

TEST(Stages, EventsBeforeTheLengthAreIgnoredButStillRegisterInlineScripts) {
    resetGameState();
    TempDir dir;
    loadText(dir, "stage 50 { } stage { event 3 { cmd early { onhit { } } } event { cmd x { } } length 10 }");
    EXPECT_EQ(game.defs.timeline.size(), 60u);
    EXPECT_TRUE(filledSlots().empty());
    ASSERT_EQ(game.defs.scriptRegistry.size(), 1u);
    EXPECT_EQ(game.defs.scriptRegistry[0].name, "1");
}

TEST(Stages, AFrameNumberNeverGrowsTheTimeline) {
    resetGameState();
    TempDir dir;
    loadText(dir, "stage 10 { event 2000000000 { cmd a { } } event { cmd b { } } event -2147483648 { cmd c { } } }");
    EXPECT_EQ(game.defs.timeline.size(), 10u);
    EXPECT_LT(game.defs.timeline.capacity(), 1000u);
    EXPECT_TRUE(filledSlots().empty());
}

TEST(Stages, NegativeLengthShrinksTheTimelineFromTheStagesStart) {
    resetGameState();
    TempDir dir;
    // The size becomes timelineLength + L: the earlier stage loses its last 100 slots.
    loadText(dir, "stage 600 { event 10 { cmd a { } } event 599 { cmd b { } } } stage -100 { }");
    EXPECT_EQ(game.defs.timeline.size(), 500u);
    EXPECT_EQ(game.defs.timelineLength, 500);
    EXPECT_EQ(filledSlots(), (Slots{{10, 1}}));
    // A stage of negative length has no slots of its own: its events are dropped.
    loadText(dir, "stage -5 { event 0 { cmd c { } } }");
    EXPECT_EQ(game.defs.timelineLength, 495);
    EXPECT_EQ(filledSlots(), (Slots{{10, 1}}));
    // A second length measures again from the same base.
    loadText(dir, "stage { length 100 event 5 { cmd d { } } length -1 }");
    EXPECT_EQ(game.defs.timelineLength, 494);
    EXPECT_EQ(filledSlots(), (Slots{{10, 1}}));
    // A length that would make the size negative empties the timeline.
    loadText(dir, "stage -1000 { }");
    EXPECT_EQ(game.defs.timeline.size(), 0u);
    EXPECT_EQ(game.defs.timelineLength, 0);
    loadText(dir, "stage -2147483648 { }");
    EXPECT_EQ(game.defs.timelineLength, 0);
}

TEST(Stages, StageWithoutLengthAddsNoSlots) {
    resetGameState();
    TempDir dir;
    loadText(dir, "stage { event 0 { cmd a { } } } stage junk { }");
    EXPECT_EQ(game.defs.timeline.size(), 0u);
    EXPECT_EQ(game.defs.timelineLength, 0);
}

TEST(Stages, HugeLengthIsCappedNotAllocated) {
    resetGameState();
    TempDir dir;
    loadText(dir, "stage 2000000000 { } stage 2000000000 { }");
    EXPECT_EQ(game.defs.timeline.size(), static_cast<size_t>(limits::maxTimelineSlots));
    EXPECT_EQ(game.defs.timelineLength, limits::maxTimelineSlots);
}

TEST(Stages, ScriptBlocks) {
    resetGameState();
    TempDir dir;
    loadText(dir,
             "script { cmd a { } }\n"
             "script outer { cmd spawn { ondie { cmd inner { } } } name Renamed }\n"
             "script dup { } script dup { }\n");
    const auto& scripts = game.defs.scriptRegistry;
    ASSERT_EQ(scripts.size(), 5u);
    EXPECT_EQ(scripts[0].name, "");
    EXPECT_EQ(scripts[1].name, "1");        // the nested script is registered first
    EXPECT_EQ(scripts[2].name, "renamed");  // a later name replaces an earlier one
    EXPECT_EQ(scripts[2].commands.at(0).params.at(0).scriptIndex, 1u);
    EXPECT_EQ(findScript("dup"), 3);
    EXPECT_EQ(findScript("outer"), 0);
    EXPECT_EQ(findScript("1"), 1);
    // Scripts of a later file are found only under their tagged names.
    loadText(dir, "script later { }");
    EXPECT_EQ(findScript("later"), 0);
    EXPECT_EQ(findScript(std::string("later\x01\x01")), 5);
}

TEST(Stages, ScriptNamesAreCutTo29) {
    resetGameState();
    TempDir dir;
    loadText(dir, "script " + std::string(35, 'q') + " { }");
    EXPECT_EQ(game.defs.scriptRegistry.at(0).name, std::string(29, 'q'));
}
