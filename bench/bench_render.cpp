// The gameplay picture with 100,000 Actors drawn into the headless backend, per line.
#include "actors/actor_math.h"
#include "app/app.h"
#include "core/game_state.h"
#include "core/numbers.h"
#include "defs/defs.h"
#include "platform/framebuffer.h"
#include "platform/headless.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A 2-line bullet model, a ship model, one Player and N bullets over the playfield.
void buildScene(int64_t n) {
    resetGameState();
    resetAppState();
    Model bullet;
    for (float side : {-1.0f, 1.0f}) {
        ModelLine line;
        line.x1 = 0, line.y1 = 0.006f;
        line.x2 = side * 0.005f, line.y2 = -0.004f;
        line.angle1 = std::atan2(line.x1, line.y1), line.radius1 = 0.006f;
        line.angle2 = std::atan2(line.x2, line.y2);
        line.radius2 = std::sqrt(line.x2 * line.x2 + line.y2 * line.y2);
        bullet.lines.push_back(line);
    }
    game.defs.modelRegistry = {Model{}, bullet};
    measureModels();
    Player p;
    p.x = 0.5f, p.y = 1.25f, p.modelIndex = 1, p.scoreMultiplier = 0.1f;
    game.world.players.push_back(p);
    game.rng.seed(5);
    game.world.actors.reserve(static_cast<size_t>(n));
    for (int64_t k = 0; k < n; ++k) {
        Actor a{};
        a.model = 1;
        a.scale = 1;
        a.x = actormath::random01();
        a.y = actormath::random01() * num::playfieldHeight;
        a.angle = actormath::random01() * num::twoPi;
        game.world.actors.push_back(a);
    }
}

// Moves every Actor a little between two frames (outside the timing), as a step would;
// with `turning`, every Actor also turns, so that no kept turned Model can be used.
void moveActors(bool turning) {
    for (Actor& a : game.world.actors) {
        a.y += 0.0001f;
        if (turning) a.rotate += 0.01f;
    }
}

// gameplayRender over N Actors; the backend counts lines without keeping them. Bullets
// flying straight keep their rotation and scale, so their turned Models are kept from one
// frame to the next; BM_RenderTurningActors turns every one every frame.
void renderActors(benchmark::State& state, bool turning) {
    buildScene(state.range(0));
    HeadlessEngine engine;
    engine.recordOps = false;
    game.platform.engine = &engine;
    double lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        moveActors(turning);
        state.ResumeTiming();
        gameplayRender();
        lines += static_cast<double>(engine.linesDrawn);
    }
    game.platform.engine = nullptr;
    state.counters["lines_per_frame"] = lines / static_cast<double>(state.iterations());
    state.counters["ns_per_line"] =
        benchmark::Counter(lines * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RenderActors(benchmark::State& state) { renderActors(state, false); }
void BM_RenderTurningActors(benchmark::State& state) { renderActors(state, true); }

// The window's framebuffer with 500,000 bullet-sized lines (2 to 3 pixels at 800 x 600,
// every heading) over the playfield, given as one batch: queueing and rasterising them,
// with `range(0)` helper threads, into a picture `range(1)` pixels wide (4:3): 1440 is
// full HD's picture, 2880 4K's, where the same lines are 9 pixels long.
void BM_RasteriseLines(benchmark::State& state) {
    WorkerPool workers(static_cast<int>(state.range(0)));
    raster::Framebuffer picture(&workers);
    const auto width = static_cast<int>(state.range(1));
    picture.resize(800, 600, width, width * 3 / 4);
    std::vector<ScreenLine> lines;
    game.rng.seed(9);
    for (int k = 0; k < 500000; ++k) {
        const float x = 200 + 400.0f * actormath::random01();
        const float y = 600.0f * actormath::random01();
        const float a = num::twoPi * actormath::random01();
        lines.push_back({x, y, x + 2.5f * std::sin(a), y + 2.5f * std::cos(a), 0xFFFF5078u});
    }
    for (auto _ : state) {
        picture.setClip(0, 0, 0, 0);
        picture.clear(0);
        picture.setClip(200, 0, 400, 600);
        picture.lines(lines);
        picture.finish();
    }
    state.counters["ns_per_line"] = benchmark::Counter(
        static_cast<double>(lines.size()) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_RasteriseLines)
    ->Args({0, 800})
    ->Args({1, 800})
    ->Args({0, 1440})
    ->Args({1, 1440})
    ->Args({0, 2880})
    ->Args({1, 2880})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RenderActors)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderTurningActors)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
