// quillfray-soak: plays the game's own data headless for many steps with random inputs
// and checks the world, the memory and the time of every step as it goes.
//   usage: quillfray-soak STEPS [--seed N] [--data DIR] [--level FILE]... [--max-rss-mb N]
//                               [--max-step-ms N]
#include "app/app.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/headless.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What the command line asks for.
struct SoakOptions {
    uint64_t steps = 0;
    uint32_t seed = 0;
    bool seedGiven = false;
    std::string dataDir = "data";
    std::vector<std::string> levels;      // default.lev of the data directory when empty
    size_t maxRssMb = 1024;               // fail above this resident memory
    double maxStepMs = 1000.0;            // fail when one step takes longer
};

// Step time that a display at 60 Hz can afford; above it the run only warns.
constexpr double frameBudgetMs = 1000.0 / 60.0;
// Steps between two memory readings.
constexpr uint64_t memoryEvery = 600;

// Parses the command line; false (after a message) when it makes no sense.
bool parseOptions(int argc, char** argv, SoakOptions& options) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    bool stepsGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--seed" && hasValue) {
            options.seed = static_cast<uint32_t>(std::stoul(std::string(args[++i])));
            options.seedGiven = true;
        } else if (arg == "--data" && hasValue) {
            options.dataDir = args[++i];
        } else if (arg == "--level" && hasValue) {
            options.levels.emplace_back(args[++i]);
        } else if (arg == "--max-rss-mb" && hasValue) {
            options.maxRssMb = std::stoul(std::string(args[++i]));
        } else if (arg == "--max-step-ms" && hasValue) {
            options.maxStepMs = std::stod(std::string(args[++i]));
        } else if (!stepsGiven && !arg.empty() && arg[0] != '-') {
            options.steps = std::stoull(std::string(arg));
            stepsGiven = true;
        } else {
            std::fprintf(stderr, "quillfray-soak: unknown argument %.*s\n",
                         static_cast<int>(arg.size()), arg.data());
            return false;
        }
    }
    if (!stepsGiven) {
        std::fprintf(stderr, "usage: quillfray-soak STEPS [--seed N] [--data DIR] [--level FILE]..."
                             " [--max-rss-mb N] [--max-step-ms N]\n");
        return false;
    }
    return true;
}

// VmRSS of this process in megabytes, 0 where /proc cannot be read.
size_t residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (!line.starts_with("VmRSS:")) continue;
        size_t kilobytes = 0;
        for (char c : line) {
            if (c >= '0' && c <= '9') kilobytes = kilobytes * 10 + static_cast<size_t>(c - '0');
        }
        return kilobytes / 1024;
    }
    return 0;
}

// Random play: holds a random set of the eight play actions for a random number of steps,
// as a restless player would.
class RandomPlayer {
public:
    explicit RandomPlayer(uint32_t seed) : generator_(seed) {}
    // Holds this step's keys on the engine.
    void press(HeadlessEngine& engine) {
        if (stepsLeft_ == 0) {
            actions_ = static_cast<uint8_t>(generator_() & 0xFF);
            stepsLeft_ = 1 + generator_() % 90;
        }
        --stepsLeft_;
        engine.keyHeld.fill(false);
        for (size_t a = 0; a < 8; ++a) {
            if ((actions_ >> a & 1) == 0) continue;
            for (uint16_t key : game.input.bindingTable[static_cast<Action>(a)].keys) {
                if (key < engine.keyHeld.size()) engine.keyHeld[key] = true;
            }
        }
    }

private:
    std::mt19937 generator_;
    uint8_t actions_ = 0;
    uint32_t stepsLeft_ = 0;
};

// Loads the controls file and the definitions from the data directory.
void loadData(const SoakOptions& options) {
    readControlsFile(options.dataDir + "/quillfray.cfg");
    resetRegistries();
    loadDefinitionFile(options.dataDir + "/base.vec");
    loadFontFile(options.dataDir + "/font.vec");
    if (options.levels.empty()) {
        loadDefinitionFile(options.dataDir + "/default.lev");
    } else {
        for (const std::string& level : options.levels) loadDefinitionFile(level);
    }
}

// Runs the soak; returns the process exit status.
int runSoak(const SoakOptions& options) {
    resetGameState();
    resetAppState();
    HeadlessEngine engine;
    engine.recordOps = false;
    game.platform.engine = &engine;
    game.platform.joystick = &nullJoystick();
    loadData(options);
    game.rng.seed(options.seed);
    enterGameplay();
    RandomPlayer player(options.seed);

    // Wall-clock time is measured here only to report step cost; the simulation never
    // sees it.
    using Clock = std::chrono::steady_clock;
    double totalMs = 0.0, maxMs = 0.0;
    uint64_t slowSteps = 0;
    size_t maxActors = 0, maxEmitters = 0, maxRss = residentMegabytes();
    int failures = 0;
    for (uint64_t step = 0; step < options.steps && failures == 0; ++step) {
        player.press(engine);
        const auto start = Clock::now();
        if (!gameplayStep()) enterGameplay();
        if (engine.renderFunc != nullptr) engine.renderFunc();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        totalMs += ms;
        maxMs = std::max(maxMs, ms);
        if (ms > frameBudgetMs) ++slowSteps;
        maxActors = std::max(maxActors, game.world.actors.size());
        maxEmitters = std::max(maxEmitters, game.world.emitters.size());
        if (const std::string problem = worldProblem(); !problem.empty()) {
            std::printf("FAIL step %llu: %s\n", static_cast<unsigned long long>(step), problem.c_str());
            ++failures;
        }
        if (ms > options.maxStepMs) {
            std::printf("FAIL step %llu took %.1f ms\n", static_cast<unsigned long long>(step), ms);
            ++failures;
        }
        if (step % memoryEvery == 0) {
            const size_t rss = residentMegabytes();
            maxRss = std::max(maxRss, rss);
            if (rss > options.maxRssMb) {
                std::printf("FAIL step %llu: resident memory %zu MB\n",
                            static_cast<unsigned long long>(step), rss);
                ++failures;
            }
        }
    }
    game.platform.engine = nullptr;

    const double steps = options.steps == 0 ? 1.0 : static_cast<double>(options.steps);
    std::printf("soak: seed %u, %llu steps, frame %d, score %d\n", options.seed,
                static_cast<unsigned long long>(options.steps), game.clock.frameCounter,
                game.world.players.empty() ? 0 : game.world.players[0].score);
    std::printf("soak: most Actors %zu, most Emitters %zu, most resident memory %zu MB\n",
                maxActors, maxEmitters, maxRss);
    std::printf("soak: step time mean %.3f ms, max %.3f ms, %llu steps over %.1f ms\n",
                totalMs / steps, maxMs, static_cast<unsigned long long>(slowSteps), frameBudgetMs);
    if (maxMs > frameBudgetMs)
        std::printf("soak: warning: a step took longer than one display frame\n");
    std::printf("soak: %s\n", failures == 0 ? "passed" : "FAILED");
    return failures == 0 ? 0 : 1;
}

}  // namespace

// Reads the options, picks a seed when none is given, and runs the soak.
int main(int argc, char** argv) {
    SoakOptions options;
    if (!parseOptions(argc, argv, options)) return 2;
    if (!options.seedGiven) options.seed = std::random_device{}();
    return runSoak(options);
}
