// The collision pass: hostile lines against the player's hit radius, shots against hit
// circles, damage, score, kills, boss bars, and the effect scripts.
#include "script/script.h"
#include "sim/sim.h"
#include "tests/support/shell_world.h"

#include <gtest/gtest.h>

using testing_support::actorsWithModel;
using testing_support::emittersWithModel;
using testing_support::placedActor;
using testing_support::ShellWorld;

namespace {

// Models and the effect scripts; each effect spawns a marker Model so that its runs can
// be counted as Emitters.
constexpr std::string_view definitions = R"(
script noop { }
script cleared { }
model dot { hitc 0 0 0.01 }
model pair { hitc -0.005 0 0.01 hitc 0.005 0 0.01 }
model bar { line -0.05 0 0.05 0 }
model twin { line -0.05 0 0.05 0 line -0.05 0.001 0.05 0.001 }
model needle { line 0 -0.02 0 0.02 }
model point { line 0.01 0.01 0.01 0.01 }
model both { line 0 -0.02 0 0.02 hitc 0 0 0.02 }
model markhit { }
model markdie { }
model markonhit { }
model markdeath { }
model markbossdie { }
script shot_hit { command spawn { model markhit } }
script player_die { command spawn { model markdie } }
script onhitfx { command spawn { model markonhit } }
script deathfx { command spawn { model markdeath } }
script bossdiefx { command spawn { model markbossdie } }
)";

// A world with the definitions loaded and one Player at the start position, hittable.
class Collide : public ::testing::Test {
protected:
    ShellWorld world;

    void SetUp() override {
        world.load(definitions);
        newGame();
        player().invulnerableSteps = 0;
    }

    static Player& player() { return game.world.players[0]; }
    static int32_t model(std::string_view name) { return findModel(name); }
    static int32_t script(std::string_view name) { return findScript(name); }

    // A hittable target of owner 2 (it never hurts the player) with hp and maxhp.
    static Actor target(float x, float y, std::string_view modelName, float hp) {
        Actor t = placedActor(x, y, findModel(modelName));
        t.owner = 2;
        t.flag = flags::hittable;
        t.hp = hp;
        t.maxhp = hp;
        return t;
    }

    // A player shot.
    static Actor shot(float x, float y, std::string_view modelName, float hitrate = 1.0f) {
        Actor s = placedActor(x, y, findModel(modelName));
        s.owner = 1;
        s.hitrate = hitrate;
        return s;
    }

    // A player shot that is itself a piercing target with hp and maxhp, over its own
    // hit circle.
    static Actor piercingHittableShot(float hp) {
        Actor s = shot(0.5f, 0.5f, "both");
        s.flag = flags::hittable | flags::piercing;
        s.hp = s.maxhp = hp;
        return s;
    }
    // A hostile Actor.
    static Actor hostile(float x, float y, std::string_view modelName, float scale = 1.0f) {
        Actor h = placedActor(x, y, findModel(modelName));
        h.scale = scale;
        return h;
    }
};

}  // namespace

TEST_F(Collide, SegmentDistanceBranchRules) {
    // Perpendicular foot inside the segment: the distance to the line.
    EXPECT_FLOAT_EQ(segmentDistanceSquared({0, 0}, {1, 0}, 1.0f, {0.5f, 0.1f}, true), 0.01f);
    EXPECT_FLOAT_EQ(segmentDistanceSquared({0, 0}, {1, 0}, 1.0f, {0.5f, 0.1f}, false), 0.01f);
    // Beyond the second end: the distance to that end.
    EXPECT_FLOAT_EQ(segmentDistanceSquared({0, 0}, {1, 0}, 1.0f, {1.5f, 0.0f}, true), 0.25f);
    EXPECT_FLOAT_EQ(segmentDistanceSquared({0, 0}, {1, 0}, 1.0f, {-0.5f, 0.0f}, false), 0.25f);
    // Both conditions hold (a squared length too short for the ends): the player test lets
    // the second win, the shot test stops at the first.
    EXPECT_FLOAT_EQ(segmentDistanceSquared({0, 0}, {1, 0}, 0.01f, {0.3f, 0.0f}, true), 0.09f);
    EXPECT_FLOAT_EQ(segmentDistanceSquared({0, 0}, {1, 0}, 0.01f, {0.3f, 0.0f}, false), 0.49f);
}

TEST_F(Collide, HitRadiusIsStrict) {
    const Model& bar = game.defs.modelRegistry[static_cast<size_t>(model("bar"))];
    Actor nearLine = hostile(0.5f, 1.25f - 0.0079f, "bar");
    EXPECT_TRUE(lineHitsPlayer(nearLine, bar.lines[0], player()));
    Actor farLine = hostile(0.5f, 1.25f - 0.0081f, "bar");
    EXPECT_FALSE(lineHitsPlayer(farLine, bar.lines[0], player()));
    // The graze keeps the nearest integer of the smallest distance measure.
    Actor distant = hostile(0.5f, 1.25f - 0.3f, "bar");
    EXPECT_FALSE(lineHitsPlayer(distant, bar.lines[0], player()));
    EXPECT_EQ(distant.graze, 0);
}

TEST_F(Collide, GrazeTakesTheSmallerValueOnlyWhileHittable) {
    const Model& bar = game.defs.modelRegistry[static_cast<size_t>(model("bar"))];
    // A line 30 units away (far outside the playfield) gives 900.
    Actor far = hostile(0.5f, 1.25f - 30.0f, "bar");
    lineHitsPlayer(far, bar.lines[0], player());
    EXPECT_EQ(far.graze, 900);
    Actor farther = hostile(0.5f, 1.25f - 100.0f, "bar");
    lineHitsPlayer(farther, bar.lines[0], player());
    EXPECT_EQ(farther.graze, 9000);
    player().invulnerableSteps = 5;
    Actor passing = hostile(0.5f, 1.25f, "bar");
    EXPECT_TRUE(lineHitsPlayer(passing, bar.lines[0], player()));
    EXPECT_EQ(passing.graze, 9000);
}

TEST_F(Collide, NearerEndBeyondTheCentreCountsFromTheEnd) {
    // The extended line runs through the ship's centre, but the segment ends 0.01 short.
    game.world.actors.push_back(hostile(0.5f + 0.06f, 1.25f, "bar"));
    collideActors();
    EXPECT_EQ(player().disabledSteps, 0);
    // 0.006 short of the centre: a hit.
    game.world.actors[0].x = 0.5f + 0.056f;
    collideActors();
    EXPECT_EQ(player().disabledSteps, 60);
}

TEST_F(Collide, ScaledLineUsesTheScaledLength) {
    // Scale 2 makes the line 0.2 long; the ship lies 0.007 beside it near its left end.
    game.world.actors.push_back(hostile(0.58f, 1.25f - 0.007f, "bar", 2.0f));
    collideActors();
    EXPECT_EQ(player().disabledSteps, 60);
}

TEST_F(Collide, HostileHitPenalisesAndRunsPlayerDie) {
    player().scoreMultiplier = 5.0f;
    game.world.actors.push_back(hostile(0.5f, 1.25f, "bar"));
    collideActors();
    EXPECT_EQ(game.world.actors[0].graze, 9000);
    EXPECT_EQ(player().disabledSteps, 60);
    EXPECT_EQ(player().invulnerableSteps, 180);
    EXPECT_EQ(player().scoreMultiplier, 0.1f);
    ASSERT_EQ(emittersWithModel(model("markdie")), 1u);
    // The effect starts at the ship.
    for (const Emitter& e : game.world.emitters) {
        if (e.templateActor.model != model("markdie")) continue;
        EXPECT_FLOAT_EQ(e.x.start, 0.5f);
        EXPECT_FLOAT_EQ(e.y.start, 1.25f);
    }
    // Now invulnerable: a second pass changes nothing.
    collideActors();
    EXPECT_EQ(emittersWithModel(model("markdie")), 1u);
}

TEST_F(Collide, InvincibleShipGrazesButIsNeverHit) {
    game.invincible = true;
    player().scoreMultiplier = 5.0f;
    game.world.actors.push_back(hostile(0.5f, 1.25f, "bar"));
    collideActors();
    EXPECT_EQ(game.world.actors[0].graze, 0);
    EXPECT_EQ(player().disabledSteps, 0);
    EXPECT_EQ(player().invulnerableSteps, 0);
    EXPECT_EQ(player().scoreMultiplier, 5.0f);
    EXPECT_EQ(emittersWithModel(model("markdie")), 0u);
    // Switched off again, the same line hits.
    game.invincible = false;
    collideActors();
    EXPECT_EQ(player().disabledSteps, 60);
    EXPECT_EQ(emittersWithModel(model("markdie")), 1u);
}

TEST_F(Collide, WalkRestartsFromTheEndAfterTheShipIsHit) {
    // [hostile, piercing shot, target, bystander]: the shot is examined again after the
    // hostile hit restarts the walk, so the target is hit twice in one pass.
    game.world.actors.push_back(hostile(0.5f, 1.25f, "bar"));
    Actor s = shot(0.3f, 0.3f, "needle");
    s.flag = flags::piercing | flags::nohitanim;
    game.world.actors.push_back(s);
    game.world.actors.push_back(target(0.3f, 0.3f, "dot", 10.0f));
    Actor bystander = placedActor(0.9f, 0.1f, model("dot"));
    bystander.owner = 2;
    game.world.actors.push_back(bystander);
    collideActors();
    EXPECT_EQ(player().disabledSteps, 60);
    EXPECT_FLOAT_EQ(game.world.actors[2].hp, 8.0f);
}

TEST_F(Collide, TwoLinesOverTwoCirclesDamageOnce) {
    game.world.actors.push_back(target(0.5f, 0.5f, "pair", 3.0f));
    Actor s = shot(0.5f, 0.5f, "twin");
    s.events[slotOf(EventCode::onhit)] = script("onhitfx");
    game.world.actors.push_back(s);
    collideActors();
    ASSERT_EQ(game.world.actors.size(), 1u);  // the shot is used up
    EXPECT_FLOAT_EQ(game.world.actors[0].hp, 2.0f);
    EXPECT_EQ(emittersWithModel(model("markonhit")), 1u);
    EXPECT_EQ(emittersWithModel(model("markhit")), 1u);
}

TEST_F(Collide, ThreeHitsKillAndScoreWithTheMultiplier) {
    player().scoreMultiplier = 2.0f;
    Actor t = target(0.5f, 0.5f, "dot", 3.0f);
    t.events[slotOf(EventCode::ondie)] = script("deathfx");
    game.world.actors.push_back(t);
    const int expectedScores[] = {6, 12, 36};
    for (int hit = 0; hit < 3; ++hit) {
        game.world.actors.push_back(shot(0.5f, 0.5f, "needle"));
        collideActors();
        EXPECT_EQ(player().score, expectedScores[hit]) << "hit " << hit;
        EXPECT_EQ(player().targetBarFrames, 300);
        EXPECT_FLOAT_EQ(player().targetHp, 2.0f - static_cast<float>(hit));
        EXPECT_FLOAT_EQ(player().targetHpMax, 3.0f);
    }
    EXPECT_TRUE(game.world.actors.empty());
    EXPECT_EQ(emittersWithModel(model("markdeath")), 1u);
}

TEST_F(Collide, NoHitAnimAndPiercing) {
    game.world.actors.push_back(target(0.5f, 0.5f, "dot", 10.0f));
    Actor s = shot(0.5f, 0.5f, "needle");
    s.flag = flags::nohitanim | flags::piercing;
    game.world.actors.push_back(s);
    collideActors();
    collideActors();
    EXPECT_EQ(game.world.actors.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.actors[0].hp, 8.0f);
    EXPECT_EQ(emittersWithModel(model("markhit")), 0u);
}

TEST_F(Collide, BossBarTwoOfTwoTakesTheDamageAndEnds) {
    game.world.bossBars = {{10.0f, 10.0f}, {5.0f, 5.0f}};
    game.clock.holdActive = true;
    game.clock.holdLength = 36000;
    Actor core = target(0.5f, 0.5f, "dot", 100.0f);
    core.boss = 2;
    core.events[slotOf(EventCode::onbossdie)] = script("bossdiefx");
    game.world.actors.push_back(core);
    Actor part = placedActor(0.1f, 0.1f, model("dot"));
    part.owner = 2;
    part.boss = 2;
    part.events[slotOf(EventCode::onbossdie)] = script("bossdiefx");
    game.world.actors.push_back(part);

    game.world.actors.push_back(shot(0.5f, 0.5f, "needle", 2.0f));
    collideActors();
    ASSERT_EQ(game.world.bossBars.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.bossBars[0].current, 10.0f);
    EXPECT_FLOAT_EQ(game.world.bossBars[1].current, 3.0f);
    EXPECT_EQ(game.world.actors.size(), 2u);

    player().targetBarFrames = 0;
    player().score = 0;
    player().scoreMultiplier = 1.0f;
    game.world.actors.push_back(shot(0.5f, 0.5f, "needle", 3.0f));
    collideActors();
    ASSERT_EQ(game.world.bossBars.size(), 1u);
    EXPECT_TRUE(game.world.actors.empty());
    EXPECT_EQ(emittersWithModel(model("markbossdie")), 2u);
    // The target went with its boss: its hit still scores, but there is no target display.
    EXPECT_EQ(player().score, 100);
    EXPECT_EQ(player().targetBarFrames, 0);
    EXPECT_TRUE(game.clock.holdActive);
}

TEST_F(Collide, BossEndFollowsAMovedShotAndSkipsARemovedTarget) {
    game.world.bossBars = {{1.0f, 1.0f}};
    // [target of boss 1, another part of boss 1, shot]: ending the boss removes both parts
    // and moves the shot down to index 0, where its own removal must find it.
    Actor core = target(0.5f, 0.5f, "dot", 50.0f);
    core.boss = 1;
    core.events[slotOf(EventCode::ondie)] = script("deathfx");
    game.world.actors.push_back(core);
    Actor part = placedActor(0.1f, 0.1f, model("bar"));
    part.owner = 2;
    part.boss = 1;
    game.world.actors.push_back(part);
    game.world.actors.push_back(shot(0.5f, 0.5f, "needle"));
    collideActors();
    EXPECT_TRUE(game.world.actors.empty());
    EXPECT_TRUE(game.world.bossBars.empty());
    EXPECT_EQ(emittersWithModel(model("markdeath")), 0u);
}

TEST_F(Collide, BossEndKeepsBystandersIntact) {
    game.world.bossBars = {{1.0f, 1.0f}};
    // [shot, target of boss 1, part of boss 1, bystander].
    game.world.actors.push_back(shot(0.5f, 0.5f, "needle"));
    Actor core = target(0.5f, 0.5f, "dot", 50.0f);
    core.boss = 1;
    game.world.actors.push_back(core);
    Actor part = placedActor(0.1f, 0.1f, model("bar"));
    part.owner = 2;
    part.boss = 1;
    game.world.actors.push_back(part);
    Actor bystander = placedActor(0.9f, 0.9f, model("pair"));
    bystander.owner = 2;
    bystander.id = 42;
    game.world.actors.push_back(bystander);
    collideActors();
    ASSERT_EQ(game.world.actors.size(), 1u);
    EXPECT_EQ(game.world.actors[0].id, 42);
    EXPECT_EQ(game.world.actors[0].model, model("pair"));
}

TEST_F(Collide, OtherOwnersNeitherHurtNorShootButCanBeTargets) {
    Actor neutral = hostile(0.5f, 1.25f, "bar");
    neutral.owner = 2;
    game.world.actors.push_back(neutral);
    Actor fakeShot = placedActor(0.5f, 0.5f, model("needle"));
    fakeShot.owner = 2;
    game.world.actors.push_back(fakeShot);
    game.world.actors.push_back(target(0.5f, 0.5f, "dot", 5.0f));
    collideActors();
    EXPECT_EQ(player().disabledSteps, 0);
    EXPECT_FLOAT_EQ(game.world.actors[2].hp, 5.0f);
    game.world.actors.push_back(shot(0.5f, 0.5f, "needle"));
    collideActors();
    EXPECT_FLOAT_EQ(game.world.actors[2].hp, 4.0f);
}

TEST_F(Collide, ActorsOfAnotherPlayerTakeNoPart) {
    Actor other = hostile(0.5f, 1.25f, "bar");
    other.player = 1;
    game.world.actors.push_back(other);
    collideActors();
    EXPECT_EQ(player().disabledSteps, 0);
}

TEST_F(Collide, HittableShotHitsItselfBeforeALowerTarget) {
    // A piercing hittable shot over its own circle: walking down from the last Actor it
    // meets itself first, so the target below it is not touched in this pass.
    game.world.actors.push_back(target(0.5f, 0.5f, "dot", 10.0f));
    Actor s = piercingHittableShot(4.0f);
    s.events[slotOf(EventCode::onhit)] = script("onhitfx");
    game.world.actors.push_back(s);
    player().scoreMultiplier = 2.0f;
    collideActors();
    ASSERT_EQ(game.world.actors.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.actors[0].hp, 10.0f);
    EXPECT_FLOAT_EQ(game.world.actors[1].hp, 3.0f);
    EXPECT_EQ(emittersWithModel(model("markhit")), 1u);
    EXPECT_EQ(emittersWithModel(model("markonhit")), 1u);
    EXPECT_EQ(player().score, 8);  // maxhp 4 x multiplier 2
    EXPECT_EQ(player().targetBarFrames, 300);
    EXPECT_FLOAT_EQ(player().targetHp, 3.0f);
}

TEST_F(Collide, HittableShotThatKillsItself) {
    // Piercing: it stays through the hit, then dies of it like any target.
    Actor s = piercingHittableShot(1.0f);
    s.events[slotOf(EventCode::ondie)] = script("deathfx");
    game.world.actors.push_back(s);
    player().scoreMultiplier = 3.0f;
    collideActors();
    EXPECT_TRUE(game.world.actors.empty());
    EXPECT_EQ(emittersWithModel(model("markdeath")), 1u);
    EXPECT_EQ(player().score, 6);  // 1 x 3 at the hit, 1 x 1 x 3 at the kill
    EXPECT_EQ(player().targetBarFrames, 300);

    // Not piercing: its removal as a shot takes the target too. The hit scores, but there
    // is no target display and no kill, whatever hp it is left with.
    game.world.emitters.clear();
    player().score = 0;
    player().targetBarFrames = 0;
    game.world.actors.push_back(target(0.5f, 0.5f, "dot", 10.0f));
    s.flag = flags::hittable;
    game.world.actors.push_back(s);
    game.world.actors.push_back(target(0.9f, 0.9f, "dot", 10.0f));  // moves into its place
    game.world.actors[2].owner = 1;  // a shot that hits nothing
    collideActors();
    ASSERT_EQ(game.world.actors.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.actors[0].hp, 10.0f);
    EXPECT_FLOAT_EQ(game.world.actors[1].x, 0.9f);
    EXPECT_FLOAT_EQ(game.world.actors[1].hp, 10.0f);
    EXPECT_EQ(emittersWithModel(model("markdeath")), 0u);
    EXPECT_EQ(player().score, 3);
    EXPECT_EQ(player().targetBarFrames, 0);
}

TEST_F(Collide, ZeroLengthLinesNeverHitAndLeaveGraze) {
    const Model& point = game.defs.modelRegistry[static_cast<size_t>(model("point"))];
    Actor h = hostile(0.49f, 1.24f, "point");
    h.graze = 1234;
    EXPECT_FALSE(lineHitsPlayer(h, point.lines[0], player()));
    EXPECT_EQ(h.graze, 1234);
    game.world.actors.push_back(h);
    game.world.actors.push_back(target(0.5f, 0.5f, "dot", 1.0f));
    game.world.actors.push_back(shot(0.49f, 0.49f, "point"));
    collideActors();
    EXPECT_EQ(player().disabledSteps, 0);
    EXPECT_EQ(game.world.actors.size(), 3u);
    // A scale of 0 shrinks any line to a point.
    Actor tiny = hostile(0.5f, 1.25f, "bar", 0.0f);
    const Model& bar = game.defs.modelRegistry[static_cast<size_t>(model("bar"))];
    EXPECT_FALSE(lineHitsPlayer(tiny, bar.lines[0], player()));
    EXPECT_EQ(tiny.graze, 9000);
}

TEST_F(Collide, ModelsWithoutLinesOrCirclesAndBadIndicesNeverHit) {
    game.world.actors.push_back(target(0.5f, 0.5f, "markhit", 1.0f));  // no circles
    game.world.actors.push_back(shot(0.5f, 0.5f, "needle"));
    game.world.actors.push_back(shot(0.5f, 0.5f, "markhit"));         // no lines
    Actor broken = hostile(0.5f, 1.25f, "bar");
    broken.model = 99999;
    game.world.actors.push_back(broken);
    Actor negative = shot(0.5f, 0.5f, "needle");
    negative.model = -3;
    game.world.actors.push_back(negative);
    collideActors();
    EXPECT_EQ(game.world.actors.size(), 5u);
    EXPECT_EQ(player().disabledSteps, 0);
}

TEST_F(Collide, EmptyPlayerListDoesNothing) {
    game.world.actors.push_back(hostile(0.5f, 1.25f, "bar"));
    game.world.actors.push_back(target(0.5f, 0.5f, "dot", 1.0f));
    game.world.actors.push_back(shot(0.5f, 0.5f, "needle"));
    game.world.players.clear();
    collideActors();
    EXPECT_EQ(game.world.actors.size(), 3u);
}
