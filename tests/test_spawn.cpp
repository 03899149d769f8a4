// The spawn command: defaults, prefixes, every name and alias, flags and event slots,
// counters, forward placement and the per-range steps of the Emitter it builds; and that
// spawn and alteration read exactly the names actors/param_use.h says they read.
#include "actors/actors.h"
#include "actors/param_use.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using rt::makeParam;
using rt::rad;

// Runs spawn from `origin` with the pairs and returns the Emitter it appended.
Emitter spawnFrom(const Actor& origin, std::initializer_list<rt::Pair> pairs,
                  int32_t context = -1) {
    std::vector<SpawnParam> params;
    for (const auto& p : pairs) params.push_back(makeParam(p.first, p.second));
    size_t before = game.world.emitters.size();
    spawnCommand(origin, params, context);
    EXPECT_EQ(game.world.emitters.size(), before + 1);
    return game.world.emitters.back();
}

// The timeline-like origin: position (0, 0), heading 0.
Actor zeroOrigin() {
    Actor a;
    a.scale = 1;
    a.repeat = 1;
    return a;
}

// Whether two records differ in any bit (Actor and Emitter hold only 4-byte fields, so
// they have no padding).
template <typename T>
bool differs(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) != 0;
}

// Expects a range with the given start, end and mode.
void expectRange(const SpawnRange& r, float start, float end, float mode = 0) {
    EXPECT_FLOAT_EQ(r.start, start);
    EXPECT_FLOAT_EQ(r.end, end);
    EXPECT_FLOAT_EQ(r.mode, mode);
}

}  // namespace

TEST(Spawn, DefaultsComeFromTheOrigin) {
    resetGameState();
    Actor origin = rt::actorAt(0.3f, 0.2f, 1.5707963705062866f);
    origin.owner = 3;
    origin.player = 2;
    origin.id = 9;
    origin.events[4] = 8;
    Emitter e = spawnFrom(origin, {});
    const Actor& t = e.templateActor;
    EXPECT_EQ(t.model, 1);
    EXPECT_EQ(t.owner, 3);
    EXPECT_EQ(t.player, 2);
    EXPECT_EQ(t.id, 0);
    EXPECT_EQ(t.events[4], 0);
    expectRange(e.x, 0.3f, 0.3f);
    expectRange(e.y, 0.2f, 0.2f);
    EXPECT_EQ(e.startAngle.start, 1.5707963705062866f);  // degrees and back, exactly
    EXPECT_EQ(e.endAngle.end, 1.5707963705062866f);
    expectRange(e.scale, 1, 1);
    expectRange(e.hp, 1, 1);
    expectRange(e.hitrate, 1, 1);
    expectRange(e.life, 3600, 3600);
    expectRange(e.repeat, 1, 1);
    expectRange(e.speed, 0, 0);
    expectRange(e.andelta, 0, 0);
    EXPECT_EQ(e.count, 1);
    EXPECT_EQ(e.time, 1);
    EXPECT_EQ(e.times, 1);
    EXPECT_EQ(e.ans, 1);
    EXPECT_EQ(e.attached, -1);
    EXPECT_EQ(e.wait, 0);
    EXPECT_EQ(e.delay, 0);
    EXPECT_EQ(e.order, 0);
    EXPECT_EQ(e.perframe, 1);
    EXPECT_EQ(e.remainder, 0);
    EXPECT_FLOAT_EQ(e.x.step, 0);
}

TEST(Spawn, PositionsAnglesAndUnits) {
    resetGameState();
    Actor origin = rt::actorAt(0.5f, 0.25f, rad(90));
    Emitter e = spawnFrom(origin, {{"x", "0.1"}, {"fy", "0.7"}, {"san", "-20"}, {"endan", "20"},
                                   {"dan", "2"}, {"rot", "45"}, {"rotdelta", "3"}});
    expectRange(e.x, 0.6f, 0.6f);
    expectRange(e.y, 0.7f, 0.7f);
    expectRange(e.startAngle, rad(70), rad(70));
    expectRange(e.endAngle, rad(110), rad(110));
    expectRange(e.andelta, rad(2), rad(2));
    expectRange(e.rotate, rad(45), rad(45));
    expectRange(e.rotatedelta, rad(3), rad(3));

    e = spawnFrom(origin, {{"an", "10"}, {"y", "0.5"}});
    expectRange(e.startAngle, rad(100), rad(100));
    expectRange(e.endAngle, rad(100), rad(100));
    expectRange(e.y, 0.75f, 0.75f);
    e = spawnFrom(origin, {{"startan", "1"}, {"ean", "2"}, {"sfan", "30"}, {"efan", "40"}});
    expectRange(e.startAngle, rad(30), rad(30));
    expectRange(e.endAngle, rad(40), rad(40));
    e = spawnFrom(origin, {{"fan", "15"}, {"fx", "0.9"}});
    expectRange(e.startAngle, rad(15), rad(15));
    expectRange(e.endAngle, rad(15), rad(15));
    expectRange(e.x, 0.9f, 0.9f);
    e = spawnFrom(origin, {{"angle", "45"}});  // spawn does not accept angle
    expectRange(e.startAngle, rad(90), rad(90));
}

TEST(Spawn, EveryNumericAliasFillsItsRange) {
    resetGameState();
    struct Case {
        const char* name;
        SpawnRange Emitter::*range;
    };
    const Case cases[] = {
        {"spd", &Emitter::speed},          {"speed", &Emitter::speed},
        {"dspd", &Emitter::speeddelta},    {"dspeed", &Emitter::speeddelta},
        {"spddelta", &Emitter::speeddelta}, {"speeddelta", &Emitter::speeddelta},
        {"sc", &Emitter::scale},           {"scale", &Emitter::scale},
        {"dsc", &Emitter::scaledelta},     {"dscale", &Emitter::scaledelta},
        {"scdelta", &Emitter::scaledelta}, {"scaledelta", &Emitter::scaledelta},
        {"hp", &Emitter::hp},              {"health", &Emitter::hp},
        {"hitrate", &Emitter::hitrate},    {"damage", &Emitter::hitrate},
        {"life", &Emitter::life},          {"repeat", &Emitter::repeat},
    };
    for (const Case& c : cases) {
        Emitter e = spawnFrom(zeroOrigin(), {{c.name, "2.5"}});
        expectRange(e.*c.range, 2.5f, 2.5f);
    }
    for (const char* name : {"dan", "andelta"}) expectRange(spawnFrom(zeroOrigin(), {{name, "90"}}).andelta, rad(90), rad(90));
    for (const char* name : {"rot", "rotate"}) expectRange(spawnFrom(zeroOrigin(), {{name, "90"}}).rotate, rad(90), rad(90));
    for (const char* name : {"drot", "drotate", "rotdelta", "rotatedelta"})
        expectRange(spawnFrom(zeroOrigin(), {{name, "90"}}).rotatedelta, rad(90), rad(90));
    Emitter e = spawnFrom(zeroOrigin(), {{"rlife", "5"}, {"aim", "5"}, {"heatseek", "5"}});
    expectRange(e.life, 3600, 3600);
}

TEST(Spawn, PrefixesSelectStartEndOrMode) {
    resetGameState();
    Actor origin = rt::actorAt(0.5f, 0.5f, 0);
    Emitter e = spawnFrom(origin, {{"s_an", "10"}});
    expectRange(e.startAngle, rad(10), 0);
    expectRange(e.endAngle, rad(10), 0);
    e = spawnFrom(origin, {{"o_x", "1"}});
    expectRange(e.x, 0.5f, 0.5f, 1);
    e = spawnFrom(origin, {{"s_speed", "0.1"}, {"e_speed", "0.3"}, {"o_speed", "3"}});
    expectRange(e.speed, 0.1f, 0.3f, 3);
    e = spawnFrom(origin, {{"z_speed", "0.2"}});
    expectRange(e.speed, 0.2f, 0.2f);
    e = spawnFrom(origin, {{"o_an", "90"}, {"o_life", "2.5"}});  // modes: plain values
    expectRange(e.startAngle, 0, 0, 90);
    expectRange(e.life, 3600, 3600, 2.5f);
    e = spawnFrom(origin, {{"s_owner", "1"}, {"e_model", "3"}});  // whole names: nothing
    EXPECT_EQ(e.templateActor.owner, 0);
    EXPECT_EQ(e.templateActor.model, 1);
}

TEST(Spawn, WholeNamesSetTheTemplate) {
    resetGameState();
    std::vector<SpawnParam> params = {makeParam("owner", "1"), rt::modelParam("model", 4),
                                      makeParam("id", "7"),    makeParam("boss", "2"),
                                      makeParam("flag", "65535"), makeParam("hittable", "2")};
    spawnCommand(zeroOrigin(), params, -1);
    const Actor& t = game.world.emitters.back().templateActor;
    EXPECT_EQ(t.owner, 1);
    EXPECT_EQ(t.model, 4);
    EXPECT_EQ(t.id, 7);
    EXPECT_EQ(t.boss, 2);
    EXPECT_EQ(t.flag, 65534);  // hittable 2: only the lowest bit counts

    Emitter e = spawnFrom(zeroOrigin(), {{"flag", "196608"}, {"piercing", "1"}});
    EXPECT_EQ(e.templateActor.flag, 16);  // bits 16 and up cleared
    e = spawnFrom(zeroOrigin(), {{"unbreakable", "1"}, {"noheat", "3"}, {"nohitanim", "1"}});
    EXPECT_EQ(e.templateActor.flag, 2 + 4 + 8);
}

TEST(Spawn, EventKeywordsFillSlots) {
    resetGameState();
    std::vector<SpawnParam> params = {rt::scriptParam("onleave", 5), rt::scriptParam("onleft", 6),
                                      rt::scriptParam("onfleave", 7), rt::scriptParam("onspawn", 8),
                                      rt::scriptParam("onhit", 9),    rt::scriptParam("oneach", 10),
                                      rt::scriptParam("onbosstimeout", 11),
                                      rt::scriptParam("s_ondie", 12)};
    spawnCommand(zeroOrigin(), params, -1);
    const auto& ev = game.world.emitters.back().templateActor.events;
    EXPECT_EQ(ev[2], 6);
    EXPECT_EQ(ev[3], 5);
    EXPECT_EQ(ev[4], 5);
    EXPECT_EQ(ev[5], 5);
    for (int k = 12; k <= 15; ++k) EXPECT_EQ(ev[static_cast<size_t>(k)], 7);
    EXPECT_EQ(ev[8], 8);
    EXPECT_EQ(ev[18], 9);
    EXPECT_EQ(ev[0], 10);
    EXPECT_EQ(ev[17], 11);
    EXPECT_EQ(ev[6], 0);  // a prefixed keyword matches nothing
}

TEST(Spawn, CountersAndAttachment) {
    resetGameState();
    Emitter e = spawnFrom(zeroOrigin(), {{"count", "7"}, {"time", "3"}, {"times", "0"},
                                         {"wait", "4"}, {"delay", "5"}, {"order", "1"},
                                         {"ans", "3"}, {"attached", "0"}},
                          12);
    EXPECT_EQ(e.count, 7);
    EXPECT_EQ(e.perframe, 2);
    EXPECT_EQ(e.remainder, 1);
    EXPECT_EQ(e.times, 0);
    EXPECT_EQ(e.wait, 4);
    EXPECT_EQ(e.delay, 5);
    EXPECT_EQ(e.order, 1);
    EXPECT_EQ(e.ans, 3);
    EXPECT_EQ(e.attached, 12);
    EXPECT_EQ(spawnFrom(zeroOrigin(), {{"attached", "1"}}, -1).attached, -1);

    EXPECT_EQ(spawnFrom(zeroOrigin(), {{"count", "0"}}).count, 1);
    e = spawnFrom(zeroOrigin(), {{"fcount", "3"}, {"time", "4"}});
    EXPECT_EQ(e.count, 12);
    EXPECT_EQ(e.perframe, 3);
    EXPECT_EQ(e.remainder, 0);
    e = spawnFrom(zeroOrigin(), {{"count", "3"}, {"time", "5"}});
    EXPECT_EQ(e.perframe, 0);
    EXPECT_EQ(e.remainder, 3);
}

TEST(Spawn, TimeAndLevelsBelowOneAreClamped) {
    resetGameState();
    Emitter e = spawnFrom(zeroOrigin(), {{"count", "4"}, {"time", "0"}, {"ans", "-2"}});
    EXPECT_EQ(e.time, 1);
    EXPECT_EQ(e.ans, 1);
    EXPECT_EQ(e.perframe, 4);
    e = spawnFrom(zeroOrigin(), {{"fcount", "2"}, {"time", "-3"}});
    EXPECT_EQ(e.time, 1);
    EXPECT_EQ(e.count, 2);
}

TEST(Spawn, StepsSpreadTheRanges) {
    resetGameState();
    Emitter e = spawnFrom(zeroOrigin(), {{"count", "8"}, {"s_fan", "0"}, {"e_fan", "360"},
                                         {"o_san", "1"}, {"s_speed", "0"}, {"e_speed", "0.7"}});
    EXPECT_FLOAT_EQ(e.startAngle.step, rad(360) / 8);   // mode 1 leaves the end out
    EXPECT_FLOAT_EQ(e.endAngle.step, rad(360) / 7);
    EXPECT_FLOAT_EQ(e.speed.step, 0.1f);                // mode 0 includes it
    e = spawnFrom(zeroOrigin(), {{"count", "5"}, {"o_x", "1.05"}, {"s_fx", "0"}, {"e_fx", "1"}});
    EXPECT_FLOAT_EQ(e.x.step, 0.2f);                    // |1.05 - 1| < 0.1 counts as 1
    e = spawnFrom(zeroOrigin(), {{"count", "1"}, {"s_fx", "0"}, {"e_fx", "1"}});
    EXPECT_FLOAT_EQ(e.x.step, 0);
}

TEST(Spawn, ForwardPlacement) {
    resetGameState();
    Actor origin = rt::actorAt(0.5f, 0.5f, 0);
    Emitter e = spawnFrom(origin, {{"rx", "0.1"}, {"ry", "0.1"}});
    expectRange(e.x, 0.5f, 0.5f);
    expectRange(e.y, 0.6f, 0.6f);
    e = spawnFrom(origin, {{"fy", "0.9"}, {"rx", "0.1"}, {"x", "0.3"}});
    expectRange(e.x, 0.5f, 0.5f);  // replaces x and fy, even with only rx given
    expectRange(e.y, 0.5f, 0.5f);
    origin.angle = 1.5707963705062866f;
    e = spawnFrom(origin, {{"rx", "0.1"}});
    expectRange(e.x, 0.6f, 0.6f);
    EXPECT_NEAR(e.y.start, 0.5f, 1e-7f);
    e = spawnFrom(origin, {{"o_rx", "2"}, {"o_ry", "3"}, {"fx", "0.2"}});
    expectRange(e.x, 0.2f, 0.2f, 2);  // a mode alone does not switch placement on
    expectRange(e.y, 0.5f, 0.5f, 3);
    e = spawnFrom(origin, {{"s_rx", "0.1"}, {"e_rx", "0.3"}});
    expectRange(e.x, 0.6f, 0.8f);
}

TEST(Spawn, EmitterListStopsAtTheCap) {
    resetGameState();
    game.world.emitters.resize(limits::maxEmitters);
    spawnCommand(zeroOrigin(), {}, -1);
    EXPECT_EQ(game.world.emitters.size(), limits::maxEmitters);
}

TEST(Spawn, SpawnAndAlterChangeSomethingExactlyForTheNamesTheTableReads) {
    for (size_t i = 0; i < static_cast<size_t>(ParamName::Count_); ++i) {
        for (const std::string prefix : {"", "s_"}) {
            SpawnParam p = makeParam(prefix + std::string(paramNameText(ParamName(i))), "7");
            p.modelIndex = p.scriptIndex = 7;
            const std::vector<SpawnParam> params = {p};
            SCOPED_TRACE(p.name);

            resetGameState();
            const Actor origin = rt::actorAt(0.3f, 0.2f, 0.5f);
            spawnCommand(origin, {}, 7);
            spawnCommand(origin, params, 7);
            EXPECT_EQ(differs(game.world.emitters[0], game.world.emitters[1]),
                      paramRead(ParamReader::Spawn, p) != ParamRead::Ignored);

            game.defs.modelRegistry.push_back(Model{});  // model 0: one circle, to heat-seek
            game.defs.modelRegistry[0].circles.push_back(HitCircle{});
            Actor target = rt::actorAt(0.8f, 0.5f);
            target.model = 0;
            target.flag = flags::hittable;
            rt::addActor(target);
            const Actor before = rt::actorAt(0.5f, 0.5f, 0.3f);
            Actor after = before;
            alterActor(after, params);
            EXPECT_EQ(differs(after, before),
                      paramRead(ParamReader::Alter, p) != ParamRead::Ignored);
        }
    }
}
