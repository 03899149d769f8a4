// Cost of one gameplay step of the simulation (runGameplayStep without the app's parts:
// collisions, the Actor update, stars, stage, emitters, the player) over live hostile
// bullets, next to a bare kernel that only moves points along their heading.
#include "actors/actor_math.h"
#include "actors/actors.h"
#include "core/game_state.h"
#include "core/numbers.h"
#include "defs/defs.h"
#include "sim/sim.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <new>
#include <vector>

namespace {

std::atomic<long> allocations{0};

// Kernel cost in ns per point per step, by point count, for the ratio of the step bench.
std::map<int64_t, double>& kernelNs() {
    static std::map<int64_t, double> values;
    return values;
}

// Steps between restoring the starting field, so the bullet count stays near N.
constexpr int stepsPerRound = 50;

// A point of the bare kernel.
struct MovingPoint {
    float x, y, heading, speed;
};

// Fills the registries and the world: empty Scripts 0 and 1, a 2-line bullet model,
// one vulnerable Player, N bullets spread over the playfield (an empty onevery script,
// cleared on leaving) and one stream Emitter. Bullets turn by `turn` radians a step.
void buildField(int64_t n, float turn) {
    resetGameState();
    game.defs.scriptRegistry.resize(2);
    Model empty;
    game.defs.modelRegistry.push_back(empty);
    Model bullet;
    for (float side : {-1.0f, 1.0f}) {
        ModelLine line;
        line.angle1 = 0;
        line.radius1 = 0.006f;
        line.angle2 = side * 2.6f;
        line.radius2 = 0.006f;
        line.x1 = 0;
        line.y1 = 0.006f;
        line.x2 = 0.006f * std::sin(line.angle2);
        line.y2 = 0.006f * std::cos(line.angle2);
        line.lengthSquared = (line.x2 - line.x1) * (line.x2 - line.x1) +
                             (line.y2 - line.y1) * (line.y2 - line.y1);
        bullet.lines.push_back(line);
    }
    game.defs.modelRegistry.push_back(bullet);
    measureModels();

    Player p;
    p.x = 0.5f;
    p.y = 1.25f;
    p.hitRadius = 0.008f;
    p.scoreMultiplier = 0.1f;
    game.world.players.push_back(p);

    game.rng.seed(1234);
    Actor a;
    a.model = 1;
    a.scale = a.hp = a.maxhp = a.hitrate = 1;
    a.speed = 0.002f;
    a.andelta = turn;
    a.life = a.rlife = 100000;
    a.repeat = 1;
    a.graze = 9000;
    for (EventCode code :
         {EventCode::onleft, EventCode::onright, EventCode::ontop, EventCode::onbottom})
        a.events[slotOf(code)] = 1;
    game.world.actors.reserve(static_cast<size_t>(n) * 2);
    for (int64_t k = 0; k < n; ++k) {
        a.x = actormath::random01();
        a.y = actormath::random01() * num::playfieldHeight;
        a.angle = actormath::random01() * num::twoPi;
        game.world.actors.push_back(a);
    }

    Emitter stream;
    stream.templateActor = a;
    stream.x = {0.5f, 0.5f, 0, 0};
    stream.y = {0.3f, 0.3f, 0, 0};
    stream.startAngle = {0, 6.2f, 3, 0};
    stream.endAngle = stream.startAngle;
    stream.scale = stream.hp = stream.hitrate = stream.repeat = {1, 1, 0, 0};
    stream.life = {100000, 100000, 0, 0};
    stream.speed = {0.002f, 0.002f, 0, 0};
    stream.count = stream.perframe = 4;
    stream.times = 0;
    game.world.emitters.reserve(16);
    game.world.emitters.push_back(stream);
}

// One gameplay step as the simulation runs it, without input. The ship is made
// vulnerable again before each step, so that every bullet is always tested against it.
// With `turn`, every bullet's heading changes every step.
void runSteps(benchmark::State& state, float turn) {
    const int64_t n = state.range(0);
    buildField(n, turn);
    const std::vector<Actor> startActors = game.world.actors;
    const std::vector<Emitter> startEmitters = game.world.emitters;
    double actorSteps = 0;
    double seconds = 0;
    long allocs = 0;
    int64_t steps = 0;
    int round = 0;
    for (auto _ : state) {
        if (++round == stepsPerRound) {
            state.PauseTiming();
            game.world.actors.assign(startActors.begin(), startActors.end());
            game.world.emitters.assign(startEmitters.begin(), startEmitters.end());
            round = 0;
            state.ResumeTiming();
        }
        actorSteps += static_cast<double>(game.world.actors.size());
        game.world.players[0].invulnerableSteps = 0;
        long before = allocations.load();
        auto t0 = std::chrono::steady_clock::now();
        runGameplayStep(StepHooks{});
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        allocs += allocations.load() - before;
        ++steps;
    }
    const double ns = seconds * 1e9 / actorSteps;
    state.counters["ns_per_actor"] = ns;
    state.counters["ms_per_step"] = seconds * 1e3 / static_cast<double>(steps);
    state.counters["allocs_per_step"] = static_cast<double>(allocs) / static_cast<double>(steps);
    auto it = kernelNs().find(n);
    if (it != kernelNs().end() && it->second > 0) state.counters["x_kernel"] = ns / it->second;
}

void BM_Step(benchmark::State& state) { runSteps(state, 0.0f); }
// Bullets circling as a spiral pattern's do: a new heading every step.
void BM_StepTurning(benchmark::State& state) { runSteps(state, 0.026f); }

// The bare kernel: N points moved by sin/cos of their heading (double, rounded to float).
void BM_Kernel(benchmark::State& state) {
    const int64_t n = state.range(0);
    std::vector<MovingPoint> points(static_cast<size_t>(n));
    Rng rng;
    rng.seed(99);
    for (MovingPoint& p : points) {
        p.x = static_cast<float>(rng.next()) / static_cast<float>(Rng::maxValue);
        p.y = static_cast<float>(rng.next()) / static_cast<float>(Rng::maxValue) * num::playfieldHeight;
        p.heading = static_cast<float>(rng.next()) / static_cast<float>(Rng::maxValue) * num::twoPi;
        p.speed = 0.002f;
    }
    double seconds = 0;
    int64_t steps = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (MovingPoint& p : points) {
            const float s = static_cast<float>(std::sin(static_cast<double>(p.heading)));
            const float c = static_cast<float>(std::cos(static_cast<double>(p.heading)));
            p.x = p.x + s * p.speed;
            p.y = p.y + c * p.speed;
        }
        benchmark::DoNotOptimize(points.data());
        benchmark::ClobberMemory();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++steps;
    }
    const double ns = seconds * 1e9 / (static_cast<double>(steps) * static_cast<double>(n));
    kernelNs()[n] = ns;
    state.counters["ns_per_point"] = ns;
}

}  // namespace

// Counts allocations, so the step bench can show that a step allocates nothing. The
// replacement pairs malloc with free, which GCC cannot see through once inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

BENCHMARK(BM_Kernel)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_Step)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_StepTurning)->Arg(100000);

BENCHMARK_MAIN();
