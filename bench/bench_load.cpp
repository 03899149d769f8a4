// Loading a ~10 MB level, in MB/s and measured against a scan counting its tokens at
// memchr speed and against the plain read of the file, and the peak memory the load needs beyond the finished registries.
#include "core/game_state.h"
#include "defs/defs.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstring>

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

// Live and peak bytes allocated through operator new while `counting`, to see what a load
// holds at once. Only the first load counts: the timed loads run on plain malloc and free.
// Atomic, because a load may allocate on two threads.
namespace {
std::atomic<bool> counting{false};
std::atomic<ptrdiff_t> liveBytes{0};  // may go below 0 as blocks from before are freed
std::atomic<ptrdiff_t> peakBytes{0};
}  // namespace

// Counts every allocation by its usable size while counting.
void* operator new(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    if (counting.load(std::memory_order_relaxed)) {
        const auto usable = static_cast<ptrdiff_t>(::malloc_usable_size(p));
        const ptrdiff_t live = liveBytes.fetch_add(usable, std::memory_order_relaxed) + usable;
        ptrdiff_t peak = peakBytes.load(std::memory_order_relaxed);
        while (live > peak &&
               !peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
        }
    }
    return p;
}

// Uncounts a freed allocation while counting. (GCC cannot see that operator new above
// used malloc.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    if (!p) return;
    if (counting.load(std::memory_order_relaxed))
        liveBytes.fetch_sub(static_cast<ptrdiff_t>(::malloc_usable_size(p)),
                            std::memory_order_relaxed);
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

// The whole file's bytes, read at once as the loader reads them.
std::string readWhole(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::fseek(file, 0, SEEK_END);
    std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
    std::fseek(file, 0, SEEK_SET);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

// The baseline: reads the whole file and counts its tokens (runs of bytes above the space)
// eight bytes at a time, at the speed of memchr: the least any loader must do.
size_t tokenScan(const std::string& path) {
    const std::string bytes = readWhole(path);
    constexpr uint64_t ones = 0x0101010101010101u, high = 0x8080808080808080u;
    size_t tokens = 0;
    uint64_t carry = 0;  // the previous word's last byte was in a token (bit 63)
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        // High bit of each byte set where the byte is above 0x20 (bytes of 0x80 on too).
        const uint64_t inToken = (((word & ~high) + (0x80 - 0x21) * ones) | word) & high;
        const uint64_t before = (inToken << 8) | carry;
        tokens += static_cast<size_t>(std::popcount(inToken & ~before));
        carry = inToken >> 56;
    }
    bool inToken = carry != 0;
    for (; i < bytes.size(); ++i) {
        const bool now = static_cast<unsigned char>(bytes[i]) > 0x20;
        tokens += now && !inToken;
        inToken = now;
    }
    return tokens;
}

// The plain read of the file, nothing else.
size_t rawRead(const std::string& path) { return readWhole(path).size(); }

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
    // Counting starts from 0 with the registries empty, so the counts are what the load
    // adds; blocks from before that it frees count below 0.
    clearAll();
    liveBytes = 0;
    peakBytes = 0;
    counting = true;
    loadDefinitionFile(file.path);
    counting = false;
    const auto live = static_cast<double>(liveBytes.load());
    const double registriesOverFile = live / static_cast<double>(file.size);
    const double transientOverFile =
        (static_cast<double>(peakBytes.load()) - live) / static_cast<double>(file.size);

    double loadMs = 0;
    double scanMs = 0;
    double readMs = 0;
    size_t tokens = 0;
    for (auto _ : state) {
        state.PauseTiming();
        clearAll();
        state.ResumeTiming();
        loadMs += timeMs([&] { loadDefinitionFile(file.path); });
        scanMs += timeMs([&] { tokens = tokenScan(file.path); });
        benchmark::DoNotOptimize(tokens);
        size_t bytes = 0;
        readMs += timeMs([&] { bytes = rawRead(file.path); });
        benchmark::DoNotOptimize(bytes);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["file_MB"] = static_cast<double>(file.size) / (1 << 20);
    state.counters["load_ms"] = loadMs / n;
    state.counters["scan_ms"] = scanMs / n;
    state.counters["read_ms"] = readMs / n;
    state.counters["tokens"] = static_cast<double>(tokens);
    state.counters["load_over_scan"] = loadMs / scanMs;
    state.counters["load_over_read"] = loadMs / readMs;
    state.counters["load_MB_per_s"] =
        static_cast<double>(file.size) / (1 << 20) / (loadMs / n / 1000.0);
    state.counters["models"] = static_cast<double>(game.defs.modelRegistry.size());
    state.counters["scripts"] = static_cast<double>(game.defs.scriptRegistry.size());
    state.counters["slots"] = static_cast<double>(game.defs.timeline.size());
    state.counters["registries_over_file"] = registriesOverFile;
    state.counters["transient_mem_over_file"] = transientOverFile;
}

}  // namespace

BENCHMARK(BM_LoadLevel)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
