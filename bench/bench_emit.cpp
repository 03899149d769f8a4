// The emitter pass releasing 10,000 Actors a step in fans and rings, each with an onspawn
// script that alters it, per emitted Actor.
#include "actors/actors.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "script/script.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Bullets, a spawn script that alters them, and the fan and ring patterns.
constexpr const char* patterns = R"(
script idle { }
script clear1 { }
model pellet { line 0 -0.004 0 0.004 line -0.003 0 0.003 0 }
script tweak { cmd alter { dspd 0.00002 rot 15 drot 1 } }
script fans { cmd spawn { owner 0 model pellet count 50 san -60 ean 60 speed 0.004 onspawn tweak onleave clear } }
script rings { cmd spawn { owner 0 model pellet count 50 order 1 sfan 0 efan 360 speed 0.004 onspawn tweak onleave clear } }
)";

// Loads the patterns through the definition loader.
void loadPatterns() {
    resetGameState();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "quillfray_bench_emit.vec";
    std::ofstream(path) << patterns;
    resetRegistries();
    loadDefinitionFile(path.string());
    std::filesystem::remove(path);
}

// 100 fans and 100 rings of 50 Actors each, all released by one emitter pass.
void BM_EmitFansAndRings(benchmark::State& state) {
    loadPatterns();
    const int32_t fans = findScript("fans");
    const int32_t rings = findScript("rings");
    Player p;
    p.x = 0.5f, p.y = 1.25f, p.hitRadius = 0.008f, p.scoreMultiplier = 0.1f;
    game.world.players.push_back(p);
    game.world.actors.reserve(20000);
    game.world.emitters.reserve(400);
    double emitted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        game.world.actors.clear();
        game.world.emitters.clear();
        // Each round is a step of its own: a fresh script work budget.
        game.scriptWork = 0;
        for (int k = 0; k < 100; ++k) {
            Actor origin{};
            origin.x = 0.01f * static_cast<float>(k);
            origin.y = 0.3f;
            origin.scale = 1;
            executeScript(origin, fans, -1);
            executeScript(origin, rings, -1);
        }
        state.ResumeTiming();
        runEmitters();
        emitted += static_cast<double>(game.world.actors.size());
        if (game.world.actors.size() != 10000) {
            state.SkipWithError("the pass did not release 10,000 Actors");
            break;
        }
    }
    state.counters["actors_per_step"] = emitted / static_cast<double>(state.iterations());
    state.counters["ns_per_actor"] =
        benchmark::Counter(emitted * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_EmitFansAndRings)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
