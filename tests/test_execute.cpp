// Command execution: every command word, the boss bars with endBoss, the nesting bound
// and the work budget against runaway triggers, and running without allocation.
#include "actors/actors.h"
#include "script/script.h"
#include "sim/sim.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> allocations{0};
}  // namespace

// Counts every allocation of this test program, so runs can be checked for none.
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using rt::command;
using rt::makeParam;

// An Actor with id `id` whose ontrigger slot holds `script`.
int32_t addTriggerable(int32_t id, int32_t script) {
    Actor a = rt::actorAt(0.5f, 0.5f);
    a.id = id;
    a.events[slotOf(EventCode::ontrigger)] = script;
    return rt::addActor(a);
}

}  // namespace

TEST(Execute, TriggerFiresOncePerIdParameter) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t bump = rt::addScript({command("alter", {{"d_speed", "1"}}),
                                  command("spawn", {{"attached", "1"}})});
    addTriggerable(3, bump);
    addTriggerable(4, bump);
    addTriggerable(3, bump);
    Actor runner = rt::actorAt(0, 0);
    int32_t script = rt::addScript({command("trigger", {{"id", "3"}, {"x", "3"}, {"id", "3"}})});
    executeScript(runner, script, 7);
    EXPECT_FLOAT_EQ(game.world.actors[0].speed, 2);
    EXPECT_FLOAT_EQ(game.world.actors[1].speed, 0);
    EXPECT_FLOAT_EQ(game.world.actors[2].speed, 2);
    ASSERT_EQ(game.world.emitters.size(), 4u);
    for (const Emitter& e : game.world.emitters) EXPECT_EQ(e.attached, 7);  // the issuer's context
}

TEST(Execute, TriggeredSlotHoldingOneClears) {
    resetGameState();
    addTriggerable(3, 1);
    game.world.actors[0].graze = 55;
    Command trigger = command("trigger", {{"id", "3"}});
    triggerCommand(trigger, -1);
    EXPECT_EQ(game.world.actors[0].repeat, 0);
    EXPECT_EQ(game.world.actors[0].graze, 55);
}

TEST(Execute, ReloadSetsTheContextPlayersCooldown) {
    resetGameState();
    rt::addPlayer(0.5f, 1.25f);
    Actor runner = rt::actorAt(0, 0);
    int32_t script = rt::addScript({command("reload", {{"time", "7.5"}, {"s_time", "3"}})});
    executeScript(runner, script, 0);
    EXPECT_FLOAT_EQ(game.world.players[0].shotCooldown, 7);
    game.world.players[0].shotCooldown = 0;
    executeScript(runner, script, -1);
    executeScript(runner, script, 1);
    EXPECT_FLOAT_EQ(game.world.players[0].shotCooldown, 0);
}

TEST(Execute, BossAddsBarsAndHolds) {
    resetGameState();
    Actor runner = rt::actorAt(0, 0);
    int32_t script = rt::addScript({command("boss", {{"hp", "500"}, {"hp", "200"}})});
    executeScript(runner, script, -1);
    ASSERT_EQ(game.world.bossBars.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.bossBars[0].current, 500);
    EXPECT_FLOAT_EQ(game.world.bossBars[0].maximum, 500);
    EXPECT_FLOAT_EQ(game.world.bossBars[1].current, 200);
    EXPECT_TRUE(game.clock.holdActive);
    EXPECT_EQ(game.clock.holdLength, 36000);

    game.clock.holdCounter = 40;
    bossCommand(command("boss", {{"time", "600"}}));
    EXPECT_EQ(game.clock.holdLength, 600);
    EXPECT_EQ(game.clock.holdCounter, 40);  // a second boss does not reset the count
    EXPECT_EQ(game.world.bossBars.size(), 2u);
}

TEST(Execute, EndBossRenumbersAndClosesTheHold) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t died = rt::addScript({command("spawn", {{"fx", "0.1"}})});
    int32_t timedOut = rt::addScript({command("spawn", {{"fx", "0.2"}})});
    bossCommand(command("boss", {{"hp", "500"}, {"hp", "200"}}));
    game.clock.holdCounter = 30;
    game.clock.holdTotal = 5;
    for (int32_t bar : {1, 2, 0, 1, 2}) {
        Actor a = rt::actorAt(0.5f, 0.5f);
        a.boss = bar;
        a.id = bar;
        a.events[slotOf(EventCode::onbossdie)] = died;
        a.events[slotOf(EventCode::onbosstimeout)] = timedOut;
        rt::addActor(a);
    }
    game.world.bossBars[1].current = 150;
    endBoss(0, 0);
    ASSERT_EQ(game.world.bossBars.size(), 1u);
    EXPECT_FLOAT_EQ(game.world.bossBars[0].current, 150);
    EXPECT_FLOAT_EQ(game.world.bossBars[0].maximum, 200);
    ASSERT_EQ(game.world.actors.size(), 3u);
    int renumbered = 0;
    for (const Actor& a : game.world.actors) {
        if (a.id == 2) {
            EXPECT_EQ(a.boss, 1);
            ++renumbered;
        } else {
            EXPECT_EQ(a.boss, 0);
        }
    }
    EXPECT_EQ(renumbered, 2);
    ASSERT_EQ(game.world.emitters.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.emitters[0].x.start, 0.1f);
    EXPECT_TRUE(game.clock.holdActive);

    endBoss(0, 1);
    EXPECT_TRUE(game.world.bossBars.empty());
    EXPECT_EQ(game.world.actors.size(), 1u);
    ASSERT_EQ(game.world.emitters.size(), 4u);
    EXPECT_FLOAT_EQ(game.world.emitters[3].x.start, 0.2f);
    EXPECT_FALSE(game.clock.holdActive);
    EXPECT_EQ(game.clock.holdTotal, 35);
    EXPECT_EQ(game.clock.holdCounter, 0);
    EXPECT_EQ(game.clock.holdLength, 0);

    endBoss(0, 0);  // no bar left: nothing
    endBoss(-1, 0);
    EXPECT_EQ(game.world.actors.size(), 1u);
}

TEST(Execute, ReflectionsAndUnknownWords) {
    resetGameState();
    int32_t reflx = rt::addScript({command("reflx")});
    int32_t refly = rt::addScript({command("refly")});
    int32_t other = rt::addScript({command("explode", {{"speed", "1"}}), command("")});
    Actor a = rt::actorAt(0.5f, 0.5f, 0);
    executeScript(a, reflx, 0);
    EXPECT_EQ(a.angle, 6.2831855f);
    executeScript(a, reflx, 0);
    EXPECT_EQ(a.angle, 0.0f);
    a.angle = 1.0f;
    executeScript(a, reflx, 0);
    executeScript(a, reflx, 0);
    EXPECT_NEAR(a.angle, 1.0f, 1e-6);
    a.angle = 0.5f;
    executeScript(a, refly, 0);
    EXPECT_EQ(a.angle, 3.1415927f - 0.5f);
    Actor before = a;
    executeScript(a, other, 0);
    executeScript(a, -3, 0);
    executeScript(a, 1000, 0);
    EXPECT_EQ(a.angle, before.angle);
    EXPECT_EQ(a.speed, before.speed);
}

TEST(Execute, RemoveZeroesAndOrderMattersForSpawn) {
    resetGameState();
    Actor a = rt::actorAt(0.4f, 0.6f, 1.0f);
    a.owner = 1;
    a.graze = 77;
    int32_t spawnThenRemove = rt::addScript({command("spawn"), command("remove")});
    int32_t removeThenSpawn = rt::addScript({command("remove"), command("spawn")});
    executeScript(a, spawnThenRemove, -1);
    ASSERT_EQ(game.world.emitters.size(), 1u);
    EXPECT_FLOAT_EQ(game.world.emitters[0].x.start, 0.4f);
    EXPECT_EQ(game.world.emitters[0].templateActor.owner, 1);
    EXPECT_EQ(a.graze, 0);
    EXPECT_EQ(a.repeat, 0);
    EXPECT_FLOAT_EQ(a.x, 0);

    Actor b = rt::actorAt(0.4f, 0.6f, 1.0f);
    b.owner = 1;
    executeScript(b, removeThenSpawn, -1);
    ASSERT_EQ(game.world.emitters.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.emitters[1].x.start, 0);
    EXPECT_FLOAT_EQ(game.world.emitters[1].startAngle.start, 0);
    EXPECT_EQ(game.world.emitters[1].templateActor.owner, 0);
}

TEST(Execute, RemovedShotGrantsTheGrazeScore) {
    resetGameState();
    rt::addPlayer(0.5f, 1.25f, 0.1f).score = 40;
    Actor shot = rt::actorAt(0.5f, 0.5f);
    shot.owner = 1;
    shot.graze = 9000;
    rt::addActor(shot);
    executeScript(game.world.actors[0], rt::addScript({command("remove")}), 0);
    removeActor(0);
    EXPECT_EQ(game.world.players[0].score, 41);  // 10 x 0.1
}

TEST(Execute, AlterAndSelfmodifyAgree) {
    resetGameState();
    std::initializer_list<rt::Pair> pairs = {{"r_speed", "0.5"}, {"d_an", "30"}, {"rx", "0.1"}};
    int32_t alter = rt::addScript({command("alter", pairs)});
    int32_t self = rt::addScript({command("selfmodify", pairs)});
    Actor a = rt::actorAt(0.5f, 0.5f);
    Actor b = a;
    game.rng.seed(9);
    executeScript(a, alter, 0);
    game.rng.seed(9);
    executeScript(b, self, 0);
    EXPECT_EQ(a.speed, b.speed);
    EXPECT_EQ(a.angle, b.angle);
    EXPECT_EQ(a.x, b.x);
    EXPECT_NE(a.angle, 0.0f);
}

TEST(Execute, SelfTriggeringStopsAtTheNestingBound) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t again = rt::addScript({command("alter", {{"d_speed", "1"}}),
                                   command("trigger", {{"id", "3"}})});
    addTriggerable(3, again);
    executeScript(game.world.actors[0], again, 0);
    EXPECT_FLOAT_EQ(game.world.actors[0].speed, static_cast<float>(limits::maxScriptDepth));
    EXPECT_EQ(game.scriptDepth, 0);

    int32_t afterwards = rt::addScript({command("trigger", {{"id", "4"}}),
                                        command("alter", {{"d_speed", "1"}})});
    addTriggerable(4, afterwards);
    executeScript(game.world.actors[1], afterwards, 0);
    EXPECT_FLOAT_EQ(game.world.actors[1].speed, static_cast<float>(limits::maxScriptDepth));
}

TEST(Execute, RunawayTriggerFanOutEnds) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t again = rt::addScript({command("alter", {{"d_speed", "1"}}),
                                   command("trigger", {{"id", "3"}, {"id", "3"}})});
    for (int k = 0; k < 3; ++k) addTriggerable(3, again);
    executeScript(game.world.actors[0], again, 0);  // 6^256 runs without the work budget
    EXPECT_EQ(game.scriptDepth, 0);
    EXPECT_GT(game.world.actors[0].speed, 1);
    // The next step's Actor update starts a fresh budget.
    updateActors();
    Actor other = rt::actorAt(0, 0);
    int32_t plain = rt::addScript({command("alter", {{"d_speed", "2"}})});
    executeScript(other, plain, 0);
    EXPECT_FLOAT_EQ(other.speed, 2);
}

TEST(Execute, ScriptsRunInPlaceWithoutAllocating) {
    resetGameState();
    rt::addEmptyScripts();
    int32_t bump = rt::addScript({command("alter", {{"d_speed", "1"}, {"aim", "3"}})});
    addTriggerable(2, bump);
    int32_t script = rt::addScript({command("alter", {{"d_speed", "0.5"}, {"an", "10"}}),
                                    command("reflx"), command("trigger", {{"id", "2"}}),
                                    command("boss", {{"time", "5"}}), command("spawn"),
                                    command("remove")});
    game.world.emitters.reserve(16);
    const Command* commands = game.defs.scriptRegistry[static_cast<size_t>(script)].commands.data();
    Actor a = rt::actorAt(0.5f, 0.5f);
    long before = allocations.load();
    executeScript(a, script, 0);
    long spent = allocations.load() - before;
    EXPECT_EQ(spent, 0);
    EXPECT_EQ(game.defs.scriptRegistry[static_cast<size_t>(script)].commands.data(), commands);
    EXPECT_FLOAT_EQ(game.world.actors[0].speed, 1);
    EXPECT_EQ(game.world.emitters.size(), 1u);
}
