// The stage timeline: spawns from the origin at (0, 0), triggers with context 0, boss
// commands, and the command words the timeline ignores.
#include "script/script.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

namespace {

using rt::command;

// Makes the timeline `frames` slots long.
void makeTimeline(size_t frames) {
    game.defs.timeline.resize(frames);
    game.defs.timelineLength = static_cast<int32_t>(frames);
}

}  // namespace

TEST(Timeline, SpawnStartsFromTheOrigin) {
    resetGameState();
    makeTimeline(3);
    game.defs.timeline[1].commands.push_back(
        command("spawn", {{"x", "0.25"}, {"y", "0.5"}, {"an", "90"}, {"attached", "1"}}));
    game.defs.timeline[1].commands.push_back(command("spawn"));
    runTimelineFrame(0);
    EXPECT_TRUE(game.world.emitters.empty());
    runTimelineFrame(1);
    ASSERT_EQ(game.world.emitters.size(), 2u);
    const Emitter& e = game.world.emitters[0];
    EXPECT_FLOAT_EQ(e.x.start, 0.25f);
    EXPECT_FLOAT_EQ(e.y.start, 0.5f);
    EXPECT_FLOAT_EQ(e.startAngle.start, 1.5707963705062866f);
    EXPECT_EQ(e.attached, -1);
    EXPECT_EQ(e.templateActor.owner, 0);
    const Emitter& plain = game.world.emitters[1];
    EXPECT_FLOAT_EQ(plain.x.start, 0);
    EXPECT_FLOAT_EQ(plain.y.start, 0);
    EXPECT_FLOAT_EQ(plain.startAngle.start, 0);
}

TEST(Timeline, TriggerUsesContextZero) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t bind = rt::addScript({command("spawn", {{"attached", "1"}})});
    for (int k = 0; k < 3; ++k) {
        Actor a = rt::actorAt(0.1f * static_cast<float>(k), 0.5f);
        a.id = k == 2 ? 5 : 1;
        a.events[slotOf(EventCode::ontrigger)] = bind;
        rt::addActor(a);
    }
    makeTimeline(2);
    game.defs.timeline[0].commands.push_back(command("trigger", {{"id", "9"}}));
    game.defs.timeline[1].commands.push_back(command("trigger", {{"id", "5"}}));
    runTimelineFrame(0);
    EXPECT_TRUE(game.world.emitters.empty());
    runTimelineFrame(1);
    ASSERT_EQ(game.world.emitters.size(), 1u);
    EXPECT_EQ(game.world.emitters[0].attached, 0);  // bound to Actor 0, not the trigger's
    EXPECT_FLOAT_EQ(game.world.emitters[0].x.start, 0.2f);
}

TEST(Timeline, BossHoldsAndOtherWordsAreIgnored) {
    resetGameState();
    rt::addPlayer(0.5f, 1.25f);
    makeTimeline(1);
    auto& slot = game.defs.timeline[0].commands;
    slot.push_back(command("boss", {{"hp", "1000"}, {"time", "600"}}));
    for (const char* word : {"reload", "selfmodify", "alter", "reflx", "refly", "remove"})
        slot.push_back(command(word, {{"time", "9"}, {"speed", "1"}}));
    runTimelineFrame(0);
    ASSERT_EQ(game.world.bossBars.size(), 1u);
    EXPECT_FLOAT_EQ(game.world.bossBars[0].maximum, 1000);
    EXPECT_TRUE(game.clock.holdActive);
    EXPECT_EQ(game.clock.holdLength, 600);
    EXPECT_FLOAT_EQ(game.world.players[0].shotCooldown, 0);
    runTimelineFrame(-1);  // frames outside the timeline run nothing
    runTimelineFrame(1);
    EXPECT_EQ(game.world.bossBars.size(), 1u);
}
