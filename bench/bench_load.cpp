// Loading a ~10 MB level, measured against a plain whitespace split of the same bytes,
// and the peak memory the load needs beyond the finished registries.
#include "core/game_state.h"
#include "defs/defs.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

// Live and peak bytes allocated through operator new, to see what a load holds at once.
namespace {
size_t liveBytes = 0;
size_t peakBytes = 0;
}  // namespace

// Counts every allocation by its usable size.
void* operator new(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    liveBytes += ::malloc_usable_size(p);
    if (liveBytes > peakBytes) peakBytes = liveBytes;
    return p;
}

// Uncounts a freed allocation. (GCC cannot see that operator new above used malloc.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    if (!p) return;
    liveBytes -= ::malloc_usable_size(p);
    std::free(p);
}
#pragma GCC diagnostic pop

// Sized delete goes the same way.
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

// Writes a level of about 10 MB: 20,000 models, 20,000 scripts of several commands
// (some with inline blocks), and a 10,000-frame stage with an event on every frame.
std::string generateLevel() {
    std::string text;
    text.reserve(11 << 20);
    for (int i = 0; i < 20000; ++i) {
        text += "model rock" + std::to_string(i) + " {\n  color 255 " + std::to_string(i % 256) +
                " 0\n  line -0.02 -0.02 0.02 0.02\n  line { x1 0.02 y1 -0.02 x2 -0.02 y2 0.02 }\n"
                "  alpha 128\n  line 0 -0.03 0 0.03\n  hitc 0 0 0.02\n}\n";
    }
    for (int i = 0; i < 20000; ++i) {
        const std::string n = std::to_string(i);
        text += "script wave" + n + " {\n"
                "  command spawn { model rock" + n + " x 0.5 y -0.1 speed 0.004 s_an -30 e_an 30 "
                "count 8 life 600 hp 3 }\n"
                "  cmd spawn { model rock" + std::to_string((i * 7) % 20000) +
                " fx 0.25 fy 0.1 dspd 0.0001 wait 10 repeat 3 }\n"
                "  cmd trigger { id " + n + " }\n"
                "  cmd alter { d_speed 0.001 f_an 90 m_sc 1.01 ondie { cmd spawn { model rock" +
                n + " count 4 } } }\n"
                "  cmd selfmodify { r_an 15 onhit wave" + std::to_string(i / 2) + " }\n"
                "}\n";
    }
    text += "stage 10000 {\n";
    for (int frame = 0; frame < 10000; ++frame) {
        text += "  event " + std::to_string(frame) + " { cmd spawn { model rock" +
                std::to_string(frame) + " x 0.5 } cmd trigger { id " + std::to_string(frame) +
                " } }\n";
    }
    text += "}\n";
    return text;
}

// A level file written once per run and removed at exit.
struct LevelFile {
    std::string path;
    size_t size = 0;
    // Generates and writes the level.
    LevelFile() {
        path = (std::filesystem::temp_directory_path() /
                ("quillfray-bench-" + std::to_string(::getpid()) + ".lev")).string();
        std::string text = generateLevel();
        size = text.size();
        std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(size));
    }
    // Removes the file.
    ~LevelFile() { std::filesystem::remove(path); }
};

// The level file of this run, written on first use.
const LevelFile& levelFile() {
    static const LevelFile file;
    return file;
}

// The baseline: reads the whole file and splits it at white space into token views.
size_t whitespaceSplit(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    std::fseek(file, 0, SEEK_END);
    std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
    std::fseek(file, 0, SEEK_SET);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    std::vector<std::string_view> tokens;
    size_t start = 0;
    bool inToken = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool white = c == ' ' || c == '\n' || c == '\t' || c == '\r';
        if (white && inToken) tokens.emplace_back(bytes.data() + start, i - start);
        if (!white && !inToken) start = i;
        inToken = !white;
    }
    if (inToken) tokens.emplace_back(bytes.data() + start, bytes.size() - start);
    benchmark::DoNotOptimize(tokens.data());
    return tokens.size();
}

// A stricter baseline: reads the file in chunks and only counts its tokens.
size_t countingScan(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    std::string buffer(1 << 16, '\0');
    size_t tokens = 0;
    bool inToken = false;
    for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
        for (size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            const bool white = c == ' ' || c == '\n' || c == '\t' || c == '\r';
            tokens += !white && !inToken;
            inToken = !white;
        }
    }
    std::fclose(file);
    return tokens;
}

// Empties everything a previous load filled (not part of the timed load).
void clearAll() {
    resetGameState();
    resetRegistries();
}

// Milliseconds spent in `work`.
template <typename Work>
double timeMs(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Times loading the level against the two baselines and reports memory figures.
void BM_LoadLevel(benchmark::State& state) {
    const LevelFile& file = levelFile();
    // Memory first: the most the load holds at once beyond the finished registries.
    clearAll();
    const size_t before = liveBytes;
    peakBytes = liveBytes;
    loadDefinitionFile(file.path);
    const double registriesOverFile =
        static_cast<double>(liveBytes - before) / static_cast<double>(file.size);
    const double transientOverFile =
        static_cast<double>(peakBytes - liveBytes) / static_cast<double>(file.size);

    double loadMs = 0;
    double splitMs = 0;
    double scanMs = 0;
    size_t tokens = 0;
    for (auto _ : state) {
        state.PauseTiming();
        clearAll();
        state.ResumeTiming();
        loadMs += timeMs([&] { loadDefinitionFile(file.path); });
        splitMs += timeMs([&] { tokens = whitespaceSplit(file.path); });
        benchmark::DoNotOptimize(tokens);
        scanMs += timeMs([&] { tokens = countingScan(file.path); });
        benchmark::DoNotOptimize(tokens);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["file_MB"] = static_cast<double>(file.size) / (1 << 20);
    state.counters["load_ms"] = loadMs / n;
    state.counters["split_ms"] = splitMs / n;
    state.counters["scan_ms"] = scanMs / n;
    state.counters["load_over_split"] = loadMs / splitMs;
    state.counters["load_over_scan"] = loadMs / scanMs;
    state.counters["models"] = static_cast<double>(game.defs.modelRegistry.size());
    state.counters["scripts"] = static_cast<double>(game.defs.scriptRegistry.size());
    state.counters["slots"] = static_cast<double>(game.defs.timeline.size());
    state.counters["registries_over_file"] = registriesOverFile;
    state.counters["transient_mem_over_file"] = transientOverFile;
}

}  // namespace

BENCHMARK(BM_LoadLevel)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
