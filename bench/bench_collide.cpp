// The collision pass with many hostile bullets around the ship and a crowd of player shots
// over hittable targets (the quadratic part), per step.
#include "core/game_state.h"
#include "defs/defs.h"
#include "sim/sim.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A model line with the polar fields the loader derives.
ModelLine line(float x1, float y1, float x2, float y2) {
    ModelLine l;
    l.x1 = x1, l.y1 = y1, l.x2 = x2, l.y2 = y2;
    l.angle1 = std::atan2(x1, y1), l.radius1 = std::sqrt(x1 * x1 + y1 * y1);
    l.angle2 = std::atan2(x2, y2), l.radius2 = std::sqrt(x2 * x2 + y2 * y2);
    l.lengthSquared = (x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1);
    return l;
}

// Model 0: a bullet of two lines; model 1: a shot of one line; model 2: a target circle.
void buildModels() {
    auto& models = game.defs.modelRegistry;
    models.clear();
    Model bullet;
    bullet.lines = {line(-0.005f, 0, 0.005f, 0), line(0, -0.005f, 0, 0.005f)};
    Model shot;
    shot.lines = {line(0, -0.01f, 0, 0.01f)};
    Model target;
    target.circles = {{0, 0, 0.03f, 0, 0}};
    Model triple;
    triple.circles = {{0, 0, 0.012f, 0, 0}, {0.01f, 0, 0.006f, 1.5707964f, 0.01f},
                      {-0.01f, 0, 0.006f, -1.5707964f, 0.01f}};
    models = {bullet, shot, target, triple};
    measureModels();
}

// `bullets` hostile bullets spread over the playfield, `shots` shots and `targets` targets
// in the upper half, none of them touching, and the ship below all of them.
void buildWorld(int bullets, int shots, int targets, int32_t targetModel = 2) {
    resetGameState();
    buildModels();
    Player p;
    p.x = 0.5f, p.y = 1.25f, p.hitRadius = 0.008f, p.scoreMultiplier = 0.1f;
    game.world.players.push_back(p);
    auto place = [](int i, int n, float top, float height, int32_t model, int32_t owner,
                    int32_t flag) {
        Actor a{};
        a.x = 0.05f + 0.9f * static_cast<float>(i % 30) / 30.0f;
        a.y = top + height * static_cast<float>(i / 30) / static_cast<float>(n / 30 + 1);
        a.scale = 1, a.hp = a.maxhp = 1, a.hitrate = 1, a.graze = 9000;
        a.model = model, a.owner = owner, a.flag = flag;
        a.life = a.rlife = 3600, a.repeat = 1;
        game.world.actors.push_back(a);
    };
    for (int i = 0; i < targets; ++i) place(i, targets, 0.05f, 0.3f, targetModel, 2, 1);
    for (int i = 0; i < shots; ++i) place(i, shots, 0.6f, 0.3f, 1, 1, 0);
    for (int i = 0; i < bullets; ++i) place(i, bullets, 0.95f, 0.2f, 0, 0, 0);
}

// Bullets only: every line of every bullet against the ship.
void BM_HostileBullets(benchmark::State& state) {
    buildWorld(static_cast<int>(state.range(0)), 0, 0);
    for (auto _ : state) {
        collideActors();
        benchmark::DoNotOptimize(game.world.players[0].disabledSteps);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Shots against targets: every shot over every target's circles.
void BM_ShotsOverTargets(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    buildWorld(1000, n, n);
    for (auto _ : state) collideActors();
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

// The gameplay mix: 300 shots against 200 targets of 3 hit circles each, with 10,000
// hostile bullets about, per step.
void BM_ShotsTargetsBullets(benchmark::State& state) {
    buildWorld(10000, 300, 200, 3);
    for (auto _ : state) {
        game.world.players[0].invulnerableSteps = 0;
        collideActors();
    }
    state.counters["ms_per_step"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 1e-3,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_ShotsTargetsBullets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileBullets)->Arg(1000)->Arg(10000);
BENCHMARK(BM_ShotsOverTargets)->Arg(50)->Arg(200);

BENCHMARK_MAIN();
