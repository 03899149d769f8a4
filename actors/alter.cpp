// Property alteration (alter / selfmodify): set, add, multiply or randomly shift the
// running Actor's fields, move it across or along its heading, aim and heat-seek.
#include "actors/actor_math.h"
#include "actors/actors.h"
#include "actors/param_use.h"
#include "core/game_state.h"
#include "core/numbers.h"
#include "core/trig.h"

#include <cmath>
#include <cstdint>

namespace {

using num::degToRad;

// How a numeric field changes: new = old x keep + w x set + u x w x random.
struct Mix {
    float keep = 0;
    float set = 1;
    float random = 0;
};

// The mix chosen by a prefix letter (0: no prefix); m_ keeps the plain value as factor.
Mix mixOf(char prefix, float v) {
    switch (prefix) {
    case 'd': return {1, 1, 0};
    case 'm': return {v, 0, 0};
    case 'r': return {1, 0, 1};
    default: return {0, 1, 0};
    }
}

// A random number uniform in [-1, 1], one fresh draw per field update.
float randomSigned() { return (actormath::random01() - 0.5f) * 2.0f; }

// One field update with the mix.
float mixed(float old, float w, Mix m) {
    const float u = randomSigned();
    return old * m.keep + w * m.set + u * w * m.random;
}

// One integer field update: computed from the integer value, rounded ties to even.
int32_t mixedInt(int32_t old, float w, Mix m) {
    return num::roundToInt(mixed(static_cast<float>(old), w, m));
}

// Moves the Actor by (dx, dy) with the mix; keep is 1 whatever the prefix. Two draws.
void moveBy(Actor& a, float dx, float dy, Mix m) {
    const float u1 = randomSigned();
    a.x = a.x + dx * m.set + u1 * dx * m.random;
    const float u2 = randomSigned();
    a.y = a.y + dy * m.set + u2 * dy * m.random;
}

// Applies a name the table reads as a Number (prefix cut).
void applyNumeric(Actor& a, const SpawnParam& p, Mix m) {
    const float v = p.floatValue;
    switch (p.plainName) {
    case ParamName::Sc:
    case ParamName::Scale: a.scale = mixed(a.scale, v, m); return;
    case ParamName::Dsc:
    case ParamName::Dscale:
    case ParamName::Scdelta:
    case ParamName::Scaledelta: a.scaledelta = mixed(a.scaledelta, v, m); return;
    case ParamName::Rot:
    case ParamName::Rotate: a.rotate = mixed(a.rotate, degToRad(v), m); return;
    case ParamName::Drot:
    case ParamName::Drotate:
    case ParamName::Rotdelta:
    case ParamName::Rotatedelta: a.rotatedelta = mixed(a.rotatedelta, degToRad(v), m); return;
    case ParamName::Spd:
    case ParamName::Speed: a.speed = mixed(a.speed, v, m); return;
    case ParamName::Dspd:
    case ParamName::Dspeed:
    case ParamName::Spddelta:
    case ParamName::Speeddelta: a.speeddelta = mixed(a.speeddelta, v, m); return;
    case ParamName::An:
    case ParamName::Angle: a.angle = mixed(a.angle, degToRad(v), m); return;
    case ParamName::Dan:
    case ParamName::Andelta: a.andelta = mixed(a.andelta, degToRad(v), m); return;
    case ParamName::Hp: a.hp = mixed(a.hp, v, m); return;
    case ParamName::Life: a.life = mixedInt(a.life, v, m); return;
    case ParamName::Rlife: a.rlife = mixedInt(a.rlife, v, m); return;
    case ParamName::Repeat: a.repeat = mixedInt(a.repeat, v, m); return;
    case ParamName::Rx: {
        const SinCos h = sinCosF32(a.angle);
        moveBy(a, -v * h.c, v * h.s, m);
        return;
    }
    case ParamName::Ry: {
        const SinCos h = sinCosF32(a.angle);
        moveBy(a, v * h.s, v * h.c, m);
        return;
    }
    default: return;
    }
}

// The nearest on-screen hit circle of a heat-seek target; false when there is none.
bool findHeatTarget(const Actor& seeker, float& tx, float& ty) {
    float best = 100.0f;
    bool found = false;
    for (const Actor& c : game.world.actors) {
        if ((c.flag & flags::hittable) == 0 || (c.flag & flags::noheat) != 0) continue;
        if (!(c.hitrate > 0)) continue;
        const Model* model = actormath::modelAt(c.model);
        if (model == nullptr) continue;
        for (const HitCircle& h : model->circles) {
            const SinCos turn = sinCosF32(h.angle + c.angle);
            const float cx = c.x + turn.s * h.distance;
            const float cy = c.y + turn.c * h.distance;
            if (!(cx >= 0 && cx <= 1.0f && cy >= 0 && cy <= num::playfieldHeight)) continue;
            const float dx = cx - seeker.x;
            const float dy = cy - seeker.y;
            const float d = dx * dx + dy * dy - h.r * h.r;
            if (d < best) {
                best = d;
                tx = cx;
                ty = cy;
                found = true;
            }
        }
    }
    return found;
}

// Applies a name the table reads by its whole name, event keywords aside.
void applyWhole(Actor& a, const SpawnParam& p) {
    const int32_t iv = p.intValue;
    switch (p.wholeName) {
    case ParamName::Owner: a.owner = iv; return;
    case ParamName::Aim:
        turnToward(a, actormath::firstPlayerX(), actormath::firstPlayerY(), p.floatValue);
        return;
    case ParamName::Heatseek: {
        // The search looks at every Actor, so it spends that much of the step's script
        // budget, and does nothing once the budget is spent.
        if (game.scriptWork >= limits::maxScriptWork) return;
        game.scriptWork += static_cast<int64_t>(game.world.actors.size());
        float tx = 0, ty = 0;
        if (findHeatTarget(a, tx, ty)) turnToward(a, tx, ty, p.floatValue);
        return;
    }
    case ParamName::Model: a.model = static_cast<int32_t>(p.modelIndex); return;
    case ParamName::Flag: a.flag = iv; return;
    case ParamName::Hittable: a.flag = actormath::setFlagBit(a.flag, flags::hittable, iv); return;
    case ParamName::Unbreakable:
        a.flag = actormath::setFlagBit(a.flag, flags::unbreakable, iv);
        return;
    case ParamName::Noheat: a.flag = actormath::setFlagBit(a.flag, flags::noheat, iv); return;
    case ParamName::Nohitanim:
        a.flag = actormath::setFlagBit(a.flag, flags::nohitanim, iv);
        return;
    case ParamName::Piercing: a.flag = actormath::setFlagBit(a.flag, flags::piercing, iv); return;
    case ParamName::Boss: a.boss = iv; return;
    default: return;
    }
}

// Most 2 pi corrections the exact loop makes before the heading is reduced in one go;
// only a heading wound up over thousands of turns gets that far.
constexpr int maxWraps = 1 << 16;

}  // namespace

void alterActor(Actor& actor, std::span<const SpawnParam> params) {
    for (const SpawnParam& p : params) {
        switch (paramRead(ParamReader::Alter, p)) {
        case ParamRead::Number: applyNumeric(actor, p, mixOf(p.prefix, p.floatValue)); break;
        case ParamRead::WholeNumber:
        case ParamRead::Integer:
        case ParamRead::ModelName:
        case ParamRead::Presence: applyWhole(actor, p); break;
        case ParamRead::Event: actormath::setEventSlots(actor, p.wholeName, p.scriptIndex); break;
        case ParamRead::SoundName:
        case ParamRead::Ignored: break;
        }
    }
}

void turnToward(Actor& actor, float px, float py, float limitDegrees) {
    using num::pi;
    using num::twoPi;
    const float dx = px - actor.x;
    const float dy = py - actor.y;
    float t = atan2F32(dx, dy);
    int wraps = 0;
    while (t - actor.angle > pi && wraps < maxWraps) {
        t = t - twoPi;
        ++wraps;
    }
    while (t - actor.angle < -pi && wraps < maxWraps) {
        t = t + twoPi;
        ++wraps;
    }
    if (wraps >= maxWraps) {
        // remainder is exact by IEEE: the same on every machine.
        const double rest = std::remainder(static_cast<double>(t) - static_cast<double>(actor.angle),
                                           static_cast<double>(twoPi));
        t = static_cast<float>(static_cast<double>(actor.angle) + rest);
    }
    const float d = t - actor.angle;
    const float m = degToRad(limitDegrees);
    if (std::fabs(d) < m) {
        actor.angle = t;
    } else {
        actor.angle = d >= 0 ? actor.angle + m : actor.angle - m;
    }
}
