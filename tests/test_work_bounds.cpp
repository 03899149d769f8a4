// Work bounds of the script runtime: however scripts chain, one step's script work stays
// within the step budget, and boss bars stay within their cap.
#include "script/script.h"
#include "sim/sim.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using rt::command;

// `n` Actors with id `id` whose event `code` runs `script`.
void addActorsRunning(int n, int32_t id, EventCode code, int32_t script) {
    for (int k = 0; k < n; ++k) {
        Actor a = rt::actorAt(0.5f, 0.5f);
        a.id = id;
        a.events[slotOf(code)] = script;
        rt::addActor(a);
    }
}

// How many times the Actors' scripts ran, each run having added 1 to the Actor's speed.
double runsCounted() {
    double runs = 0;
    for (const Actor& a : game.world.actors) runs += static_cast<double>(a.speed);
    return runs;
}

// A parameter list of `n` copies of one pair.
std::vector<SpawnParam> copies(int n, std::string_view name, std::string_view value) {
    return std::vector<SpawnParam>(static_cast<size_t>(n), rt::makeParam(name, value));
}

}  // namespace

TEST(WorkBounds, RunawayTriggersFromManyActorsShareOneStepBudget) {
    resetGameState();
    rt::addEmptyScripts();
    // Every Actor's onevery and ontrigger run a script that triggers all of them again:
    // each of the 40 outermost runs would explode without a budget shared by the step.
    const int32_t again = rt::addScript({command("alter", {{"d_speed", "1"}}),
                                         command("trigger", {{"id", "3"}, {"id", "3"}})});
    addActorsRunning(40, 3, EventCode::onevery, again);
    for (Actor& a : game.world.actors) a.events[slotOf(EventCode::ontrigger)] = again;
    updateActors();
    EXPECT_EQ(game.scriptDepth, 0);
    // Each run costs two commands, three parameters and two looks at the 40 Actors; the
    // runs still open on the nesting stack when the budget ends may finish their command.
    EXPECT_GT(runsCounted(), 1000.0);
    EXPECT_LE(runsCounted() * 85.0,
              static_cast<double>(limits::maxScriptWork + 85 * limits::maxScriptDepth));

    // The next step's update starts with a fresh budget.
    for (Actor& a : game.world.actors) a.speed = 0;
    updateActors();
    EXPECT_GT(runsCounted(), 1000.0);
}

TEST(WorkBounds, TimelineTriggerWithManyIdsStopsAtTheBudget) {
    resetGameState();
    rt::addEmptyScripts();
    const int32_t bump = rt::addScript({command("alter", {{"d_speed", "1"}})});
    addActorsRunning(2000, 3, EventCode::ontrigger, bump);
    Script slot;
    slot.commands.push_back(command("trigger", copies(20000, "id", "3")));
    game.defs.timeline.push_back(slot);
    game.defs.timelineLength = 1;
    // 20000 ids over 2000 Actors would be 40 million runs.
    runTimelineFrame(0);
    EXPECT_GT(runsCounted(), 2000.0);
    EXPECT_LE(runsCounted(), static_cast<double>(limits::maxScriptWork));
}

TEST(WorkBounds, EveryParameterCountsAsWork) {
    resetGameState();
    rt::addEmptyScripts();
    // One command of 100000 parameters, run by 200 Actors: 20 million alterations.
    const int32_t wide = rt::addScript({command("alter", copies(100000, "d_speed", "1"))});
    addActorsRunning(200, 0, EventCode::onevery, wide);
    updateActors();
    EXPECT_GE(runsCounted(), 100000.0);
    EXPECT_LE(runsCounted(), static_cast<double>(limits::maxScriptWork) + 100000.0);
}

TEST(WorkBounds, HeatSeekCountsTheActorsItLooksAt) {
    resetGameState();
    rt::addEmptyScripts();
    Model target;
    target.circles.push_back(HitCircle{0, 0, 0.01f, 0, 0});
    game.defs.modelRegistry.push_back(target);
    // 5000 seekers over 5000 hittable targets: 25 million circle tests in one step.
    const int32_t seek =
        rt::addScript({command("alter", {{"d_speed", "1"}, {"heatseek", "5"}})});
    addActorsRunning(5000, 0, EventCode::onevery, seek);
    for (Actor& a : game.world.actors) {
        a.flag = flags::hittable;
        a.model = 0;
    }
    updateActors();
    EXPECT_GE(runsCounted(), 1.0);
    EXPECT_LE(runsCounted() * 5000.0, static_cast<double>(limits::maxScriptWork) + 10000.0);
}

TEST(WorkBounds, BossBarsStopAtTheirCap) {
    resetGameState();
    rt::addEmptyScripts();
    const int32_t boss = rt::addScript({command("boss", copies(100, "hp", "5"))});
    addActorsRunning(1000, 0, EventCode::onevery, boss);
    updateActors();
    EXPECT_TRUE(game.clock.holdActive);
    EXPECT_EQ(game.world.bossBars.size(), limits::maxBossBars);
    EXPECT_EQ(game.world.bossBars.back().maximum, 5.0f);
}
