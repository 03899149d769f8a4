// The language server re-checking a 10,000-line level after one change: the time from
// the didChange message to its published diagnostics.
#include "tools/lsp/lsp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// A level of about `lines` lines: scripts that spawn base.vec's bullets, then a stage.
std::string longLevel(size_t lines) {
    std::string text;
    size_t written = 0;
    for (size_t i = 0; written + 6 < lines; ++i, written += 5) {
        text += "script s" + std::to_string(i) + " {\n";
        text += "  cmd spawn { model orb spd 0.3 an " + std::to_string(i % 360) + " owner 0 }\n";
        text += "  cmd spawn { model pellet s_spd 0.2 e_spd 0.4 onspawn seek }\n";
        text += "  cmd alter { d_spd 0.01 }\n";
        text += "}\n";
    }
    text += "stage {\n  length 600\n  event 0 { cmd spawn { model none onspawn s0 } }\n}\n";
    return text;
}

}  // namespace

// Sends one didChange of a 10,000-line level and waits for its diagnostics.
static void BM_LspCheck10kLines(benchmark::State& state) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("qf-bench-lsp-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* name : {"base.vec", "font.vec"})
        std::filesystem::copy_file(std::filesystem::path(QF_SOURCE_DIR) / "data" / name, dir / name,
                                   std::filesystem::copy_options::overwrite_existing);
    const std::string path = (dir / "long.lev").string();
    Server server;
    std::string text = longLevel(10000);
    server.space.open[path] = text;
    const size_t changed = text.find("spd 0.3") + 6;
    size_t diagnostics = 0;
    double totalMs = 0;
    size_t runs = 0;
    for (auto _ : state) {
        char& digit = text[changed];  // one byte changed each time
        digit = digit == '3' ? '4' : '3';
        const nlohmann::json change = {
            {"jsonrpc", "2.0"},
            {"method", "textDocument/didChange"},
            {"params", {{"textDocument", {{"uri", uriOfPath(path)}, {"version", 2}}},
                        {"contentChanges", nlohmann::json::array({{{"text", text}}})}}}};
        const std::string body = change.dump();
        const auto start = std::chrono::steady_clock::now();
        server.handle(body, [&](const nlohmann::json& m) { diagnostics = m["params"]["diagnostics"].size(); });
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ++runs;
    }
    state.counters["lines"] = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
    state.counters["check_ms"] = totalMs / static_cast<double>(runs);
    state.counters["diagnostics"] = static_cast<double>(diagnostics);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LspCheck10kLines)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
