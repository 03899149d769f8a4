// The emitter pass: range evaluation (linear and random spawn patterns) and the release of
// each step's Actors from the pending Emitters, with their onspawn events.
#include "actors/actor_math.h"
#include "actors/actors.h"
#include "core/game_state.h"
#include "core/numbers.h"
#include "script/script.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// True when the mode lies within 0.1 of `target`.
bool near(float mode, float target) { return std::fabs(mode - target) < 0.1f; }

// A fresh random integer q read as q / Rng::maxValue.
float ownRandom() { return actormath::random01(); }

// Adds `amount` to a counter without leaving the int32 range.
int32_t addSaturating(int32_t v, int64_t amount) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} + amount, INT32_MIN, INT32_MAX));
}

// Builds the Actor with index E.emitted of the cycle from Emitter `e` with shared random r.
Actor buildActor(const Emitter& e, float r) {
    const int32_t i = e.emitted;
    const int32_t n = e.ans;
    const float a = evalRange(e.startAngle, r, i, n);
    const float b = evalRange(e.endAngle, r, i, n);
    SpawnRange fan{a, b, static_cast<float>(e.order), 0};
    if (e.count > 1) {
        int64_t divisor = int64_t{e.count} - 1 + (e.order == 1 ? 1 : 0);
        fan.step = (b - a) / static_cast<float>(divisor);
    }

    // The order of the evaluations fixes which own-random draw goes to which field.
    Actor actor = e.templateActor;
    actor.angle = evalRange(fan, r, i, n);
    actor.x = evalRange(e.x, r, i, n);
    actor.y = evalRange(e.y, r, i, n);
    actor.samex = actormath::firstPlayerX() - actor.x > 0 ? 1 : 0;
    actor.samey = actormath::firstPlayerY() - actor.y > 0 ? 1 : 0;
    actor.scale = evalRange(e.scale, r, i, n);
    actor.rotate = evalRange(e.rotate, r, i, n);
    actor.scaledelta = evalRange(e.scaledelta, r, i, n);
    actor.speeddelta = evalRange(e.speeddelta, r, i, n);
    actor.rotatedelta = evalRange(e.rotatedelta, r, i, n);
    actor.andelta = evalRange(e.andelta, r, i, n);
    actor.life = num::roundToInt(evalRange(e.life, r, i, n));
    actor.rlife = actor.life;
    actor.repeat = num::roundToInt(evalRange(e.repeat, r, i, n));
    actor.speed = evalRange(e.speed, r, i, n);
    actor.maxhp = evalRange(e.hp, r, i, n);
    actor.hp = actor.maxhp;
    actor.hitrate = evalRange(e.hitrate, r, i, n);
    actor.graze = 9000;
    return actor;
}

}  // namespace

float evalRange(const SpawnRange& range, float r, int32_t i, int32_t n) {
    const float m = range.mode;
    const float levels = static_cast<float>(std::max(n, 1));
    const float span = range.end - range.start;
    if (std::fabs(m - 0.5f) < 0.6f) return range.start + range.step * static_cast<float>(i);
    if (near(m, 2)) return range.start + span * r;
    if (near(m, 3)) {
        const float q = static_cast<float>(game.rng.next());
        return range.start + q * span / static_cast<float>(Rng::maxValue);
    }
    if (near(m, 4)) return range.start + (std::floor((levels + 1) * r) / levels) * span;
    if (near(m, 5)) return range.start + (std::floor(ownRandom() * (levels + 1)) / levels) * span;
    if (near(m, 6)) return range.start + (std::floor(levels * r) / levels) * span;
    if (near(m, 7)) return range.start + (std::floor(ownRandom() * levels) / levels) * span;
    return 0;
}

void runEmitters() {
    // One emitter pass: releases this step's Actors and fires their onspawn. Emitters
    // appended by onspawn scripts wait for the next pass; the list may move during any
    // script, so every access after one goes through the list and the index again.
    auto& emitters = game.world.emitters;
    auto& actors = game.world.actors;
    for (size_t j = emitters.size(); j-- > 0;) {
        if (j >= emitters.size()) continue;
        {
            Emitter& e = emitters[j];
            if (e.wait > 0) {
                --e.wait;
                continue;
            }
        }

        int32_t batch = 0;
        {
            Emitter& e = emitters[j];
            const int64_t time = std::max(e.time, 1);
            e.frame = addSaturating(e.frame, 1);
            const int64_t f = e.frame;
            const bool extra = (f * e.remainder) / time > ((f - 1) * e.remainder) / time;
            batch = addSaturating(e.perframe, extra ? 1 : 0);
        }

        for (int32_t k = 0; k < batch; ++k) {
            Emitter& e = emitters[j];
            if (actors.size() >= limits::maxActors) {
                // The list is full: the rest of the batch is lost, but the fan goes on.
                e.emitted = addSaturating(e.emitted, int64_t{batch} - k);
                break;
            }
            const float r = actormath::random01();
            Actor actor = buildActor(e, r);
            e.emitted = addSaturating(e.emitted, 1);
            appendActor(actor);
            const auto index = static_cast<int32_t>(actors.size() - 1);
            fireEvent(actors.back(), EventCode::onspawn, index);
        }

        Emitter& e = emitters[j];
        if (e.frame == std::max(e.time, 1)) {
            num::decrement(e.times);
            if (e.times != 0) {
                e.wait = e.delay;
                e.emitted = 0;
                e.frame = 0;
            } else {
                retireEmitter(j);
            }
        }
    }
}
