// Property alteration: the prefix mixes, integer rounding, moves across and along the
// heading, aim, heat-seek, whole names and event slots.
#include "actors/actors.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using rt::makeParam;
using rt::rad;

// Applies the pairs to `a`.
void alter(Actor& a, std::initializer_list<rt::Pair> pairs) {
    std::vector<SpawnParam> params;
    for (const auto& p : pairs) params.push_back(makeParam(p.first, p.second));
    alterActor(a, params);
}

}  // namespace

TEST(Alter, PrefixMixes) {
    resetGameState();
    Actor a = rt::actorAt(0.5f, 0.5f);
    a.speed = 0.02f;
    alter(a, {{"d_speed", "0.01"}});
    EXPECT_FLOAT_EQ(a.speed, 0.03f);
    a.speed = 0.02f;
    alter(a, {{"m_speed", "2"}});
    EXPECT_FLOAT_EQ(a.speed, 0.04f);
    for (int k = 0; k < 200; ++k) {
        a.speed = 0.02f;
        alter(a, {{"r_speed", "0.01"}});
        EXPECT_GE(a.speed, 0.01f - 1e-7f);
        EXPECT_LE(a.speed, 0.03f + 1e-7f);
    }
    alter(a, {{"speed", "0.5"}});
    EXPECT_FLOAT_EQ(a.speed, 0.5f);
    alter(a, {{"f_spd", "0.25"}});
    EXPECT_FLOAT_EQ(a.speed, 0.25f);
    alter(a, {{"z_speed", "0.125"}});  // any other letter sets
    EXPECT_FLOAT_EQ(a.speed, 0.125f);
}

TEST(Alter, RandomAddUsesOneFreshDrawPerField) {
    resetGameState();
    game.rng.seed(3);
    Rng twin = game.rng;
    Actor a = rt::actorAt(0.5f, 0.5f);
    a.speed = 1;
    a.scale = 2;
    alter(a, {{"r_speed", "0.5"}, {"f_scale", "4"}, {"r_sc", "1"}});
    const float u1 = (static_cast<float>(twin.next()) / 32767.0f - 0.5f) * 2.0f;
    twin.next();  // f_scale draws too, whatever the prefix
    const float u3 = (static_cast<float>(twin.next()) / 32767.0f - 0.5f) * 2.0f;
    EXPECT_FLOAT_EQ(a.speed, 1 + u1 * 0.5f);
    EXPECT_FLOAT_EQ(a.scale, 4 + u3);
}

TEST(Alter, AnglesAndEveryNumericName) {
    resetGameState();
    Actor a = rt::actorAt(0.5f, 0.5f);
    alter(a, {{"an", "90"}});
    EXPECT_FLOAT_EQ(a.angle, 1.5707963705062866f);
    alter(a, {{"d_an", "-90"}});
    EXPECT_NEAR(a.angle, 0, 1e-7);
    alter(a, {{"angle", "30"}, {"m_an", "2"}});
    EXPECT_FLOAT_EQ(a.angle, rad(30) * 2);
    alter(a, {{"dan", "4"}, {"rot", "5"}, {"drot", "6"}});
    EXPECT_FLOAT_EQ(a.andelta, rad(4));
    EXPECT_FLOAT_EQ(a.rotate, rad(5));
    EXPECT_FLOAT_EQ(a.rotatedelta, rad(6));
    alter(a, {{"andelta", "1"}, {"rotate", "2"}, {"drotate", "3"}, {"d_rotdelta", "1"},
              {"m_rotatedelta", "2"}});
    EXPECT_FLOAT_EQ(a.andelta, rad(1));
    EXPECT_FLOAT_EQ(a.rotate, rad(2));
    EXPECT_FLOAT_EQ(a.rotatedelta, (rad(3) + rad(1)) * 2);
    alter(a, {{"sc", "2"}, {"dsc", "0.1"}, {"dspd", "0.2"}, {"hp", "7"}});
    EXPECT_FLOAT_EQ(a.scale, 2);
    EXPECT_FLOAT_EQ(a.scaledelta, 0.1f);
    EXPECT_FLOAT_EQ(a.speeddelta, 0.2f);
    EXPECT_FLOAT_EQ(a.hp, 7);
    EXPECT_FLOAT_EQ(a.maxhp, 1);  // hp alone
    alter(a, {{"scale", "3"}, {"dscale", "1"}, {"d_scdelta", "1"}, {"m_scaledelta", "3"},
              {"dspeed", "1"}, {"d_spddelta", "1"}, {"m_speeddelta", "3"}});
    EXPECT_FLOAT_EQ(a.scale, 3);
    EXPECT_FLOAT_EQ(a.scaledelta, 6);
    EXPECT_FLOAT_EQ(a.speeddelta, 6);
    alter(a, {{"health", "9"}, {"hitrate", "9"}, {"x", "0.1"}, {"fy", "0.1"}, {"san", "4"}});
    EXPECT_FLOAT_EQ(a.hp, 7);  // names only spawn accepts are ignored
    EXPECT_FLOAT_EQ(a.hitrate, 1);
    EXPECT_FLOAT_EQ(a.x, 0.5f);
    EXPECT_FLOAT_EQ(a.y, 0.5f);
}

TEST(Alter, IntegerFieldsRoundTiesToEven) {
    resetGameState();
    Actor a = rt::actorAt(0.5f, 0.5f);
    alter(a, {{"life", "2.5"}, {"rlife", "3.5"}, {"repeat", "7.49"}});
    EXPECT_EQ(a.life, 2);
    EXPECT_EQ(a.rlife, 4);
    EXPECT_EQ(a.repeat, 7);
    alter(a, {{"m_life", "1.5"}, {"d_repeat", "-2"}});
    EXPECT_EQ(a.life, 3);
    EXPECT_EQ(a.repeat, 5);
    for (int k = 0; k < 200; ++k) {
        a.life = 100;
        alter(a, {{"r_life", "10"}});
        EXPECT_GE(a.life, 90);
        EXPECT_LE(a.life, 110);
    }
}

TEST(Alter, MovesAcrossAndAlongTheHeading) {
    resetGameState();
    Actor a = rt::actorAt(0.5f, 0.5f, 0);
    alter(a, {{"rx", "0.1"}});  // heading down: across moves toward smaller x
    EXPECT_FLOAT_EQ(a.x, 0.4f);
    EXPECT_FLOAT_EQ(a.y, 0.5f);
    alter(a, {{"ry", "0.1"}});
    EXPECT_FLOAT_EQ(a.x, 0.4f);
    EXPECT_FLOAT_EQ(a.y, 0.6f);
    alter(a, {{"m_rx", "0.3"}, {"m_ry", "0.3"}});  // m_ moves nothing
    EXPECT_FLOAT_EQ(a.x, 0.4f);
    EXPECT_FLOAT_EQ(a.y, 0.6f);
    alter(a, {{"an", "90"}, {"d_ry", "0.1"}});  // the heading of the same command counts
    EXPECT_FLOAT_EQ(a.x, 0.5f);
    EXPECT_NEAR(a.y, 0.6f, 1e-7);
    for (int k = 0; k < 100; ++k) {
        Actor b = rt::actorAt(0.5f, 0.5f, 0);
        alter(b, {{"r_ry", "0.1"}});
        EXPECT_FLOAT_EQ(b.x, 0.5f);
        EXPECT_GE(b.y, 0.4f - 1e-6f);
        EXPECT_LE(b.y, 0.6f + 1e-6f);
    }
}

TEST(Alter, AimTurnsTowardTheFirstPlayer) {
    resetGameState();
    rt::addPlayer(0.5f, 1.0f);
    Actor a = rt::actorAt(0.5f, 0.5f, 0);
    alter(a, {{"aim", "5"}});
    EXPECT_FLOAT_EQ(a.angle, 0);
    game.world.players[0].x = 0.6f;
    game.world.players[0].y = 0.5f;
    alter(a, {{"aim", "5"}});
    EXPECT_NEAR(a.angle, 0.0872665f, 1e-7);
    alter(a, {{"aim", "180"}});  // closer than the limit: snaps onto the direction
    EXPECT_FLOAT_EQ(a.angle, 1.5707963705062866f);

    Actor b = rt::actorAt(0.5f, 0.4f, 0);  // the player straight behind
    game.world.players[0].x = 0.5f;
    game.world.players[0].y = 0.1f;
    alter(b, {{"aim", "180"}});
    EXPECT_NEAR(std::fabs(b.angle), 3.1415927f, 1e-6);
    EXPECT_NEAR(std::cos(b.angle), -1.0, 1e-6);

    resetGameState();  // no Player: reads as a Player at (0, 0)
    Actor c = rt::actorAt(0.5f, 0.5f, 0);
    alter(c, {{"aim", "1"}});
    EXPECT_FLOAT_EQ(c.angle, -rad(1));
}

TEST(Alter, TurnTowardBringsTheTargetWithinPi) {
    Actor a = rt::actorAt(0.5f, 0.5f, 6.2831855f * 3);  // wound up three turns
    turnToward(a, 0.6f, 0.5f, 360);
    EXPECT_NEAR(a.angle, 6.2831855f * 3 + 1.5707964f, 1e-5);
    a.angle = 1e30f;  // far beyond any exact correction: stays finite and terminates
    turnToward(a, 0.6f, 0.5f, 1);
    EXPECT_TRUE(std::isfinite(a.angle));
}

TEST(Alter, HeatseekPicksTheNearestOnScreenCircle) {
    resetGameState();
    Model m;
    HitCircle h;
    h.r = 0.01f;
    m.circles.push_back(h);
    game.defs.modelRegistry.push_back(m);  // model 0: one circle at the origin
    Actor seeker = rt::actorAt(0.5f, 0.5f, 0);
    alter(seeker, {{"heatseek", "90"}});
    EXPECT_FLOAT_EQ(seeker.angle, 0);  // no target: nothing changes

    Actor far = rt::actorAt(0.5f, 0.1f);
    far.model = 0;
    far.flag = flags::hittable;
    Actor nearRight = rt::actorAt(0.8f, 0.5f);
    nearRight.model = 0;
    nearRight.flag = flags::hittable;
    Actor noheat = rt::actorAt(0.5f, 0.55f);
    noheat.model = 0;
    noheat.flag = flags::hittable | flags::noheat;
    Actor notHittable = rt::actorAt(0.45f, 0.5f);
    notHittable.model = 0;
    Actor offScreen = rt::actorAt(-0.05f, 0.5f);
    offScreen.model = 0;
    offScreen.flag = flags::hittable;
    Actor noRate = rt::actorAt(0.5f, 0.45f);
    noRate.model = 0;
    noRate.flag = flags::hittable;
    noRate.hitrate = 0;
    for (const Actor& a : {far, nearRight, noheat, notHittable, offScreen, noRate}) rt::addActor(a);
    alter(seeker, {{"heatseek", "10"}});
    EXPECT_FLOAT_EQ(seeker.angle, rad(10));
    alter(seeker, {{"heatseek", "180"}});
    EXPECT_FLOAT_EQ(seeker.angle, 1.5707963705062866f);
}

TEST(Alter, WholeNamesFlagsAndSlots) {
    resetGameState();
    Actor a = rt::actorAt(0.5f, 0.5f);
    std::vector<SpawnParam> params = {makeParam("owner", "2"), rt::modelParam("model", 5),
                                      makeParam("boss", "3"),  makeParam("flag", "65551"),
                                      makeParam("hittable", "2"), makeParam("s_owner", "9"),
                                      rt::scriptParam("onleave", 4), rt::scriptParam("onleft", 6),
                                      rt::scriptParam("onspawn", 7), rt::scriptParam("onhit", 7),
                                      rt::scriptParam("onfleave", 8), rt::scriptParam("onevery", 9),
                                      rt::scriptParam("onbossdie", 10), rt::scriptParam("d_ontime", 11)};
    alterActor(a, params);
    EXPECT_EQ(a.owner, 2);
    EXPECT_EQ(a.model, 5);
    EXPECT_EQ(a.boss, 3);
    EXPECT_EQ(a.flag, 14);  // bits 16+ cleared, hittable cleared by the even value
    EXPECT_EQ(a.events[2], 6);
    EXPECT_EQ(a.events[3], 4);
    EXPECT_EQ(a.events[4], 4);
    EXPECT_EQ(a.events[5], 4);
    EXPECT_EQ(a.events[8], 0);   // onspawn cannot be altered
    EXPECT_EQ(a.events[18], 0);  // nor onhit
    for (int k = 12; k <= 15; ++k) EXPECT_EQ(a.events[static_cast<size_t>(k)], 8);
    EXPECT_EQ(a.events[0], 9);
    EXPECT_EQ(a.events[16], 10);
    EXPECT_EQ(a.events[1], 0);
    alter(a, {{"piercing", "1"}, {"nohitanim", "1"}, {"noheat", "0"}, {"unbreakable", "0"}});
    EXPECT_EQ(a.flag, 8 + 16);
}
