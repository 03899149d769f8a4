// Actor events: firing slots, scripts by name, the per-step Actor update with its event
// order and life periods.
#include "script/script.h"
#include "sim/sim.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using rt::command;

// A Script that appends the decimal digit `digit` to the running Actor's hp.
int32_t digitScript(int digit) {
    return rt::addScript(
        {command("alter", {{"m_hp", "10"}, {"d_hp", std::to_string(digit).c_str()}})});
}

// A Script that spawns one Emitter marked by its x.
int32_t markScript(const char* mark) { return rt::addScript({command("spawn", {{"fx", mark}})}); }

// The x marks of the Emitters appended since `from`.
std::vector<float> marksSince(size_t from) {
    std::vector<float> out;
    for (size_t k = from; k < game.world.emitters.size(); ++k)
        out.push_back(game.world.emitters[k].x.start);
    return out;
}

}  // namespace

TEST(Events, SlotOneClearsAndSlotZeroRunsScriptZero) {
    resetGameState();
    rt::addScript({command("alter", {{"d_speed", "1"}})});
    Actor a = rt::actorAt(0.5f, 0.5f);
    fireEvent(a, EventCode::ontrigger, 0);  // slot 0: Script 0
    EXPECT_FLOAT_EQ(a.speed, 1);
    a.graze = 12;
    a.events[slotOf(EventCode::ondie)] = 1;
    fireEvent(a, EventCode::ondie, 0);
    EXPECT_EQ(a.repeat, 0);
    EXPECT_EQ(a.graze, 12);
    EXPECT_FLOAT_EQ(a.speed, 0);
    fireEvent(a, static_cast<EventCode>(40), 0);  // codes outside the slots do nothing
    fireEvent(a, static_cast<EventCode>(-1), 0);
    a.events[3] = 999;    // a slot past the registry runs nothing
    fireEvent(a, EventCode::onright, 0);
    EXPECT_FLOAT_EQ(a.speed, 0);
}

TEST(Events, RunNamedScriptTakesTheFirstExactName) {
    resetGameState();
    rt::addEmptyScripts();
    rt::addScript({}, "shot_hi");
    int32_t first = rt::addScript({command("alter", {{"d_speed", "1"}})}, "shot_hit");
    rt::addScript({command("alter", {{"d_speed", "5"}})}, "shot_hit");
    rt::addScript({command("alter", {{"d_speed", "9"}})}, std::string("player_die\x01\x01", 12));
    Actor a = rt::actorAt(0.5f, 0.5f);
    runNamedScript(a, "shot_hit");
    EXPECT_FLOAT_EQ(a.speed, 1);
    EXPECT_EQ(a.events[slotOf(EventCode::onevery)], first);  // the slot keeps the Script
    runNamedScript(a, "player_die");          // only a tagged name: not found
    runNamedScript(a, "missing");
    EXPECT_FLOAT_EQ(a.speed, 1);
    EXPECT_EQ(a.events[slotOf(EventCode::onevery)], first);

    // The same lookups through the registry's name index.
    for (size_t k = 0; k < game.defs.scriptRegistry.size(); ++k)
        indexName(game.defs.scriptNames, game.defs.scriptRegistry[k].name,
                  static_cast<uint32_t>(k));
    runNamedScript(a, "shot_hit");
    EXPECT_FLOAT_EQ(a.speed, 2);
    EXPECT_EQ(a.events[slotOf(EventCode::onevery)], first);
    runNamedScript(a, "player_die");
    EXPECT_FLOAT_EQ(a.speed, 2);
}

TEST(Events, LifePeriodsEndWithOntimes) {
    resetGameState();
    rt::addEmptyScripts();
    Actor a = rt::actorAt(0.5f, 0.5f);
    a.life = a.rlife = 30;
    a.repeat = 3;
    a.events[slotOf(EventCode::ontime)] = markScript("1");
    a.events[slotOf(EventCode::ontimes)] = markScript("2");
    rt::addActor(a);
    std::vector<int> timeSteps;
    for (int step = 1; step <= 95; ++step) {
        size_t before = game.world.emitters.size();
        updateActors();
        auto marks = marksSince(before);
        if (!marks.empty()) timeSteps.push_back(step);
        if (step == 90) {
            EXPECT_EQ(marks, (std::vector<float>{1, 2}));
            EXPECT_TRUE(game.world.actors.empty());
        } else if (step < 90) {
            EXPECT_EQ(game.world.actors.size(), 1u);
        }
    }
    EXPECT_EQ(timeSteps, (std::vector<int>{30, 60, 90}));
}

TEST(Events, ZeroLifeRepeatsEveryStep) {
    resetGameState();
    rt::addEmptyScripts();
    Actor a = rt::actorAt(0.5f, 0.5f);
    a.life = a.rlife = 0;
    a.repeat = 3;
    a.events[slotOf(EventCode::ontime)] = markScript("1");
    a.events[slotOf(EventCode::ontimes)] = markScript("2");
    rt::addActor(a);
    updateActors();
    updateActors();
    EXPECT_EQ(marksSince(0), (std::vector<float>{1, 1}));
    updateActors();
    EXPECT_EQ(marksSince(2), (std::vector<float>{1, 2}));
    EXPECT_TRUE(game.world.actors.empty());

    Actor b = rt::actorAt(0.5f, 0.5f);  // an ontime that restarts the period keeps repeat
    b.life = 1;
    b.repeat = 1;
    b.events[slotOf(EventCode::ontime)] = rt::addScript({command("alter", {{"life", "10"}})});
    rt::addActor(b);
    updateActors();
    ASSERT_EQ(game.world.actors.size(), 1u);
    EXPECT_EQ(game.world.actors[0].life, 10);
    EXPECT_EQ(game.world.actors[0].repeat, 1);
}

TEST(Events, SamexFiresOncePerCrossing) {
    resetGameState();
    rt::addEmptyScripts();
    rt::addPlayer(0.5f, 1.25f);
    Actor a = rt::actorAt(0.3f, 0.5f, 1.5707963705062866f);
    a.speed = 0.15f;
    a.samex = 1;
    a.samey = 1;
    a.events[slotOf(EventCode::onsamex)] = markScript("1");
    a.events[slotOf(EventCode::onsamey)] = markScript("2");
    rt::addActor(a);
    std::vector<size_t> counts;
    for (int step = 0; step < 4; ++step) {
        updateActors();
        counts.push_back(game.world.emitters.size());
    }
    EXPECT_EQ(counts, (std::vector<size_t>{0, 1, 1, 1}));
    EXPECT_EQ(game.world.actors[0].samex, 0);
    game.world.actors[0].angle = -1.5707963705062866f;
    for (int step = 0; step < 6; ++step) updateActors();
    EXPECT_EQ(game.world.emitters.size(), 2u);
    EXPECT_EQ(game.world.actors[0].samex, 1);
}

TEST(Events, ModelEdgeEventsOrderWithoutLines) {
    resetGameState();
    rt::addEmptyScripts();
    game.defs.modelRegistry.push_back(Model{});  // model 0: no lines
    for (int32_t model : {0, 99}) {
        game.world.actors.clear();
        Actor a = rt::actorAt(0.5f, 0.5f);
        a.model = model;
        a.hp = 0;
        a.events[slotOf(EventCode::onfright)] = digitScript(1);
        a.events[slotOf(EventCode::onfbottom)] = digitScript(2);
        a.events[slotOf(EventCode::onfleft)] = digitScript(3);
        a.events[slotOf(EventCode::onftop)] = digitScript(4);
        a.events[slotOf(EventCode::onleft)] = digitScript(9);
        rt::addActor(a);
        updateActors();
        EXPECT_FLOAT_EQ(game.world.actors[0].hp, 1234) << model;
    }
}

TEST(Events, BottomEdgeFromJustAbove) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t line = rt::addModel({{0, 0.05f, 0, -0.05f}});
    Actor a = rt::actorAt(0.5f, 1.49f, 0);
    a.speed = 0.01f;
    a.model = line;
    a.hp = 0;
    a.rlife = 0;
    a.events[slotOf(EventCode::onbottom)] = rt::addScript({command("alter", {{"d_hp", "1"}})});
    a.events[slotOf(EventCode::onfbottom)] = rt::addScript({command("alter", {{"d_rlife", "1"}})});
    rt::addActor(a);
    std::vector<float> hp;
    std::vector<int> rlife;
    for (int step = 0; step < 8; ++step) {
        updateActors();
        hp.push_back(game.world.actors[0].hp);
        rlife.push_back(game.world.actors[0].rlife);
    }
    EXPECT_EQ(hp, (std::vector<float>{0, 1, 2, 3, 4, 5, 6, 7}));  // y = 1.5 exactly fires nothing
    EXPECT_EQ(rlife[4], 0);                                         // top end still above 1.5
    EXPECT_EQ(rlife[7] - rlife[6], 1);                              // then every step
}

TEST(Events, ClearedOnLeaveIsRemovedWithItsGrazeScore) {
    resetGameState();
    rt::addEmptyScripts();
    rt::addPlayer(0.5f, 1.25f, 1.0f);
    Actor a = rt::actorAt(0.995f, 0.5f, 1.5707963705062866f);
    a.speed = 0.01f;
    a.graze = 0;
    for (EventCode code :
         {EventCode::onleft, EventCode::onright, EventCode::ontop, EventCode::onbottom})
        a.events[slotOf(code)] = 1;
    rt::addActor(a);
    rt::addActor(rt::actorAt(0.2f, 0.2f));
    updateActors();
    ASSERT_EQ(game.world.actors.size(), 1u);
    EXPECT_FLOAT_EQ(game.world.actors[0].x, 0.2f);
    EXPECT_EQ(game.world.players[0].score, 10);
}

TEST(Events, RemovalMovesAnUpdatedActorWithoutUpdatingItAgain) {
    resetGameState();
    rt::addEmptyScripts();
    Actor dying = rt::actorAt(0.5f, 0.5f);
    dying.repeat = 0;
    dying.life = 5;
    rt::addActor(dying);
    rt::addActor(rt::actorAt(0.6f, 0.5f));
    Actor removedBySelf = rt::actorAt(0.7f, 0.5f);
    removedBySelf.events[slotOf(EventCode::onevery)] = rt::addScript({command("remove")});
    rt::addActor(removedBySelf);
    updateActors();
    ASSERT_EQ(game.world.actors.size(), 1u);
    EXPECT_FLOAT_EQ(game.world.actors[0].x, 0.6f);
    EXPECT_EQ(game.world.actors[0].life, 3599);
}

TEST(Events, ModelEdgeEventsMatchTheBoundsEverywhere) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t model = rt::addModel({{0.03f, 0.05f, 0.06f, 0.04f}, {0.05f, 0.06f, 0.04f, 0.03f}});
    measureModels();  // as loading does: the shortcut for Actors deep inside takes part
    const int32_t right = digitScript(1), bottom = digitScript(2), left = digitScript(3),
                  top = digitScript(4);
    Rng pick;
    pick.seed(21);
    auto uniform = [&pick](float low, float high) {
        return low + (high - low) * static_cast<float>(pick.next()) / 32767.0f;
    };
    int fired = 0;
    for (int k = 0; k < 3000; ++k) {
        Actor a = rt::actorAt(uniform(-0.25f, 1.25f), uniform(-0.25f, 1.75f), uniform(-7, 7));
        a.model = model;
        a.scale = uniform(-3, 3);
        a.speed = uniform(0, 0.02f);
        a.hp = 0;
        a.events[slotOf(EventCode::onfright)] = right;
        a.events[slotOf(EventCode::onfbottom)] = bottom;
        a.events[slotOf(EventCode::onfleft)] = left;
        a.events[slotOf(EventCode::onftop)] = top;
        Actor moved = a;
        advanceActor(moved);
        Bounds b = modelBounds(moved);
        float want = 0;
        if (b.minX > 1.0f) want = want * 10 + 1;
        if (b.minY > 1.5f) want = want * 10 + 2;
        if (b.maxX < 0.0f) want = want * 10 + 3;
        if (b.maxY < 0.0f) want = want * 10 + 4;
        fired += want > 0 ? 1 : 0;
        game.world.actors.assign(1, a);
        updateActors();
        ASSERT_EQ(game.world.actors[0].hp, want) << k;
    }
    EXPECT_GT(fired, 300);  // the sample reaches beyond every edge
}
