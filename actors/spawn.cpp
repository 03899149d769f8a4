// The spawn command: turns its parameters into one Emitter (template Actor, spawn ranges
// and cycle counters) and appends it to the Emitter list.
#include "actors/actor_math.h"
#include "actors/actors.h"
#include "actors/param_use.h"
#include "core/game_state.h"
#include "core/numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace {

using num::degToRad;

// Which parts of a range a parameter writes, from its prefix.
struct Selection {
    bool start = true;
    bool end = true;
    bool mode = false;
};

// s_ selects the start, e_ the end, o_ the mode; anything else start and end.
Selection selectionOf(char prefix) {
    switch (prefix) {
    case 's': return {true, false, false};
    case 'e': return {false, true, false};
    case 'o': return {false, false, true};
    default: return {true, true, false};
    }
}

// Writes the selected parts: the mode gets the plain value, start and end `value`.
void setRange(SpawnRange& range, Selection sel, float plain, float value) {
    if (sel.mode) range.mode = plain;
    if (sel.start) range.start = value;
    if (sel.end) range.end = value;
}

// Working state of one spawn command besides the Emitter itself.
struct SpawnWork {
    SpawnRange rx, ry;         // forward offsets (start and end)
    bool forward = false;      // rx or ry placed the Actor ahead of the origin
    bool perStep = false;      // fcount: count is per step, not per cycle
};

// Applies a name the table reads as a Number (prefix cut).
void applyNumeric(Emitter& e, SpawnWork& w, const Actor& origin, float originDeg,
                  const SpawnParam& p, Selection sel) {
    const float v = p.floatValue;
    switch (p.plainName) {
    case ParamName::X: setRange(e.x, sel, v, v + origin.x); return;
    case ParamName::Y: setRange(e.y, sel, v, v + origin.y); return;
    case ParamName::Fx: setRange(e.x, sel, v, v); return;
    case ParamName::Fy: setRange(e.y, sel, v, v); return;
    case ParamName::Rx:
        if (sel.mode) e.x.mode = v;
        if (sel.start) w.rx.start = v;
        if (sel.end) w.rx.end = v;
        if (sel.start || sel.end) w.forward = true;
        return;
    case ParamName::Ry:
        if (sel.mode) e.y.mode = v;
        if (sel.start) w.ry.start = v;
        if (sel.end) w.ry.end = v;
        if (sel.start || sel.end) w.forward = true;
        return;
    case ParamName::San:
    case ParamName::Startan: setRange(e.startAngle, sel, v, v + originDeg); return;
    case ParamName::Ean:
    case ParamName::Endan: setRange(e.endAngle, sel, v, v + originDeg); return;
    case ParamName::An:
        setRange(e.startAngle, sel, v, v + originDeg);
        setRange(e.endAngle, sel, v, v + originDeg);
        return;
    case ParamName::Sfan: setRange(e.startAngle, sel, v, v); return;
    case ParamName::Efan: setRange(e.endAngle, sel, v, v); return;
    case ParamName::Fan:
        setRange(e.startAngle, sel, v, v);
        setRange(e.endAngle, sel, v, v);
        return;
    case ParamName::Dan:
    case ParamName::Andelta: setRange(e.andelta, sel, v, v); return;
    case ParamName::Rot:
    case ParamName::Rotate: setRange(e.rotate, sel, v, v); return;
    case ParamName::Drot:
    case ParamName::Drotate:
    case ParamName::Rotdelta:
    case ParamName::Rotatedelta: setRange(e.rotatedelta, sel, v, v); return;
    case ParamName::Spd:
    case ParamName::Speed: setRange(e.speed, sel, v, v); return;
    case ParamName::Dspd:
    case ParamName::Dspeed:
    case ParamName::Spddelta:
    case ParamName::Speeddelta: setRange(e.speeddelta, sel, v, v); return;
    case ParamName::Sc:
    case ParamName::Scale: setRange(e.scale, sel, v, v); return;
    case ParamName::Dsc:
    case ParamName::Dscale:
    case ParamName::Scdelta:
    case ParamName::Scaledelta: setRange(e.scaledelta, sel, v, v); return;
    case ParamName::Hp:
    case ParamName::Health: setRange(e.hp, sel, v, v); return;
    case ParamName::Hitrate:
    case ParamName::Damage: setRange(e.hitrate, sel, v, v); return;
    case ParamName::Life: setRange(e.life, sel, v, v); return;
    case ParamName::Repeat: setRange(e.repeat, sel, v, v); return;
    default: return;
    }
}

// Applies a name the table reads by its whole name, event keywords aside.
void applyWhole(Emitter& e, SpawnWork& w, const SpawnParam& p, int32_t context) {
    Actor& t = e.templateActor;
    const int32_t iv = p.intValue;
    switch (p.wholeName) {
    case ParamName::Owner: t.owner = iv; return;
    case ParamName::Model: t.model = static_cast<int32_t>(p.modelIndex); return;
    case ParamName::Id: t.id = iv; return;
    case ParamName::Flag: t.flag = iv; return;
    case ParamName::Hittable: t.flag = actormath::setFlagBit(t.flag, flags::hittable, iv); return;
    case ParamName::Unbreakable:
        t.flag = actormath::setFlagBit(t.flag, flags::unbreakable, iv);
        return;
    case ParamName::Noheat: t.flag = actormath::setFlagBit(t.flag, flags::noheat, iv); return;
    case ParamName::Nohitanim:
        t.flag = actormath::setFlagBit(t.flag, flags::nohitanim, iv);
        return;
    case ParamName::Piercing: t.flag = actormath::setFlagBit(t.flag, flags::piercing, iv); return;
    case ParamName::Boss: t.boss = iv; return;
    case ParamName::Attached: e.attached = context; return;
    case ParamName::Count: e.count = iv; return;
    case ParamName::Fcount:
        e.count = iv;
        w.perStep = true;
        return;
    case ParamName::Time: e.time = iv; return;
    case ParamName::Times: e.times = iv; return;
    case ParamName::Wait: e.wait = iv; return;
    case ParamName::Delay: e.delay = iv; return;
    case ParamName::Order: e.order = iv; return;
    case ParamName::Ans: e.ans = iv; return;
    default: return;
    }
}

// Every spawn range of the Emitter, for the per-range passes.
std::array<SpawnRange*, 15> allRanges(Emitter& e) {
    return {&e.x,     &e.y,     &e.startAngle, &e.endAngle,    &e.andelta,
            &e.scale, &e.rotate, &e.scaledelta, &e.rotatedelta, &e.speed,
            &e.hp,    &e.life,  &e.repeat,     &e.speeddelta,  &e.hitrate};
}

// Start and end of a range set to one value (mode and step stay 0).
SpawnRange fixedRange(float v) { return SpawnRange{v, v, 0, 0}; }

}  // namespace

void spawnCommand(const Actor& origin, std::span<const SpawnParam> params, int32_t context) {
    if (game.world.emitters.size() >= limits::maxEmitters) return;

    Emitter e;
    e.templateActor = Actor{};
    e.templateActor.model = 1;
    e.templateActor.owner = origin.owner;
    e.templateActor.player = origin.player;

    const float originDeg = num::radToDeg(origin.angle);
    e.x = fixedRange(origin.x);
    e.y = fixedRange(origin.y);
    e.startAngle = fixedRange(originDeg);
    e.endAngle = fixedRange(originDeg);
    e.andelta = e.rotate = e.scaledelta = e.rotatedelta = e.speed = e.speeddelta = SpawnRange{};
    e.scale = fixedRange(1);
    e.hp = fixedRange(1);
    e.hitrate = fixedRange(1);
    e.life = fixedRange(3600);
    e.repeat = fixedRange(1);
    e.count = 1;
    e.time = 1;
    e.times = 1;
    e.ans = 1;
    e.attached = -1;
    e.wait = e.delay = e.order = 0;

    SpawnWork w;
    for (const SpawnParam& p : params) {
        switch (paramRead(ParamReader::Spawn, p)) {
        case ParamRead::Number:
            applyNumeric(e, w, origin, originDeg, p, selectionOf(p.prefix));
            break;
        case ParamRead::WholeNumber:
        case ParamRead::Integer:
        case ParamRead::ModelName:
        case ParamRead::Presence: applyWhole(e, w, p, context); break;
        case ParamRead::Event:
            actormath::setEventSlots(e.templateActor, p.wholeName, p.scriptIndex);
            break;
        case ParamRead::SoundName:
        case ParamRead::Ignored: break;
        }
    }

    for (SpawnRange* r : {&e.startAngle, &e.endAngle, &e.andelta, &e.rotate, &e.rotatedelta}) {
        r->start = degToRad(r->start);
        r->end = degToRad(r->end);
    }

    if (w.forward) {
        const SinCos h = sinCosF32(origin.angle);
        e.x.start = origin.x + w.rx.start * h.s;
        e.x.end = origin.x + w.rx.end * h.s;
        e.y.start = origin.y + w.ry.start * h.c;
        e.y.end = origin.y + w.ry.end * h.c;
    }

    // A cycle divides by its length, and the stepped random modes by their level count:
    // neither may fall below 1.
    e.time = std::max(e.time, 1);
    e.ans = std::max(e.ans, 1);

    if (e.count == 0) e.count = 1;
    if (w.perStep) {
        int64_t total = static_cast<int64_t>(e.count) * e.time;
        e.count = static_cast<int32_t>(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX));
    }

    if (e.count > 1) {
        for (SpawnRange* r : allRanges(e)) {
            int64_t k = std::fabs(r->mode - 1.0f) < 0.1f ? 1 : 0;
            r->step = (r->end - r->start) / static_cast<float>(int64_t{e.count} - 1 + k);
        }
    }

    e.perframe = static_cast<int32_t>(
        std::floor(static_cast<double>(e.count) / static_cast<double>(e.time)));
    e.remainder = static_cast<int32_t>(int64_t{e.count} - int64_t{e.perframe} * e.time);
    e.emitted = 0;
    e.frame = 0;

    appendEmitter(e);
}
