// Hostile levels: each is loaded on a small fixed base and played for 600 steps with the
// ship firing, bombing and weaving. Nothing may crash, the Actor and Emitter lists stay
// within their caps, every step's script work stays bounded, the run finishes, and the
// process never holds a gigabyte. Big inputs are generated here, small ones live in
// tests/hostile/.
#include "core/game_state.h"
#include "tests/support/input_runners.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Most memory a hostile run may hold.
constexpr size_t memoryCeiling = size_t{1} << 30;

// Step inputs, one byte per step, bit a for action a: fire, weaving with fire, slowdown,
// a bomb and a power attack, so that every weapon script runs.
constexpr std::array<uint8_t, 12> moves = {0x20, 0x20, 0x22, 0x22, 0x28, 0x28,
                                           0x30, 0x60, 0x20, 0xA0, 0x21, 0x24};

// A file of the hostile suite.
std::string hostileFile(const std::string& name) {
    return std::string(QF_SOURCE_DIR) + "/tests/hostile/" + name;
}

// Plays the levels on the suite's base for `steps` steps.
RunReport play(std::vector<std::string> levels, size_t steps = 600, size_t renderEvery = 4) {
    GameplaySetup setup;
    setup.baseFile = hostileFile("base.vec");
    setup.fontFile = hostileFile("font.vec");
    setup.controlsFile = std::string(QF_SOURCE_DIR) + "/data/quillfray.cfg";
    setup.levelFiles = std::move(levels);
    setup.inputs = moves;
    setup.steps = steps;
    setup.renderEvery = renderEvery;
    return playLevels(setup);
}

// The checks every hostile run must pass.
void expectSurvived(const RunReport& report, size_t steps = 600) {
    EXPECT_EQ(report.problem, "");
    EXPECT_EQ(report.steps, steps);
    EXPECT_LE(report.maxActors, limits::maxActors);
    EXPECT_LE(report.maxEmitters, limits::maxEmitters);
    EXPECT_LT(peakResidentBytes(), memoryCeiling);
}

// `count` copies of `piece`.
std::string repeat(std::string_view piece, size_t count) {
    std::string out;
    out.reserve(piece.size() * count);
    for (size_t k = 0; k < count; ++k) out += piece;
    return out;
}

}  // namespace

TEST(HostileLevels, ScriptsThatTriggerThemselves) {
    const RunReport report = play({hostileFile("self_trigger.lev")});
    expectSurvived(report);
    EXPECT_GE(report.maxActors, 300u);
    // The runaway chains spend the whole budget, and no step spends much more.
    EXPECT_GE(report.maxScriptWork, limits::maxScriptWork);
    EXPECT_LE(report.maxScriptWork, limits::maxScriptWork + 10000);
}

TEST(HostileLevels, CountsAndCyclesAtTheEndsOfTheIntegerRange) {
    // The Actor list stays full: draw now and then only, to keep the test quick.
    const RunReport report = play({hostileFile("huge_counts.lev")}, 600, 50);
    expectSurvived(report);
    EXPECT_EQ(report.maxActors, limits::maxActors);
}

TEST(HostileLevels, EndlessEmittersSpawnedFromOnspawn) {
    const RunReport report = play({hostileFile("endless_onspawn.lev")}, 600, 50);
    expectSurvived(report);
    EXPECT_GE(report.maxEmitters, limits::maxEmitters - 100);
    EXPECT_GE(report.maxActors, limits::maxActors - 100);
}

TEST(HostileLevels, FramesAndLengthsOutsideEveryStage) {
    const RunReport report = play({hostileFile("far_frames.lev")});
    expectSurvived(report);
    EXPECT_LE(game.defs.timeline.size(), static_cast<size_t>(limits::maxTimelineSlots));
    EXPECT_EQ(game.defs.timelineLength, static_cast<int32_t>(game.defs.timeline.size()));
}

TEST(HostileLevels, OverflowNotANumberAndNegativeZero) {
    expectSurvived(play({hostileFile("odd_values.lev")}));
}

TEST(HostileLevels, ZeroAndNegativeCycleParameters) {
    expectSurvived(play({hostileFile("degenerate_cycles.lev")}));
}

TEST(HostileLevels, BossCommandsFromEveryActorEveryStep) {
    const RunReport report = play({hostileFile("boss_storm.lev")});
    expectSurvived(report);
    EXPECT_LE(game.world.bossBars.size(), limits::maxBossBars);
}

TEST(HostileLevels, ManyActorsDyingWithBoundEmittersEveryStep) {
    const RunReport report = play({hostileFile("bound_emitters.lev")});
    expectSurvived(report);
    EXPECT_GE(report.maxEmitters, 5000u);
}

TEST(HostileLevels, ShotsAgainstTargetsInOnePlace) {
    const RunReport report = play({hostileFile("shots_and_targets.lev")});
    expectSurvived(report);
    EXPECT_GE(report.maxActors, 1200u);
}

TEST(HostileLevels, HundredThousandNestedInlineBlocks) {
    TempDir dir;
    constexpr size_t depth = 100000;
    const std::string level = "stage 600 { event 0 { cmd spawn { fx 0.5 fy 0.5 " +
                              repeat("onspawn { cmd spawn { speed 0.001 ", depth) +
                              repeat("} } ", depth) + "} } }\n" + repeat("{", depth) + "\n";
    const RunReport report = play({dir.write("nested.lev", level)});
    expectSurvived(report);
    // Blocks deeper than the limit are skipped: one script per level up to it.
    EXPECT_LE(game.defs.scriptRegistry.size(), static_cast<size_t>(limits::maxBlockDepth) + 16);
    EXPECT_GE(report.maxActors, static_cast<size_t>(limits::maxBlockDepth));
}

TEST(HostileLevels, FiftyMegabyteLineOfParameters) {
    TempDir dir;
    // A script of one command with millions of parameters, bound to the onevery slot of a
    // hundred Actors: one run spends a step's whole budget.
    std::string level =
        "script go { cmd spawn { fx 0.5 fy 0.5 count 100 onevery wide life 100000 } }\n"
        "stage 600 { event 0 { cmd spawn { onspawn go } } }\n"
        "script wide { cmd alter { ";
    level += repeat("d_speed 0 ", (size_t{50} << 20) / 10);
    level += "} }\n";
    const RunReport report = play({dir.write("wide.lev", level)});
    expectSurvived(report);
    EXPECT_EQ(game.defs.textLoaded, limits::maxDefinitionText);
    EXPECT_GE(report.maxActors, 101u);
}

TEST(HostileLevels, FiftyMegabyteSingleToken) {
    TempDir dir;
    const std::string level = "stage 60 { event 0 { cmd spawn { model " +
                              std::string(size_t{50} << 20, 'q') + " } } }";
    expectSurvived(play({dir.write("token.lev", level)}));
}

TEST(HostileLevels, BinaryGarbageAsEveryFile) {
    TempDir dir;
    std::mt19937 random(20240601);
    auto garbage = [&](size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
        return bytes;
    };
    GameplaySetup setup;
    setup.baseFile = dir.write("base.vec", garbage(1 << 20));
    setup.fontFile = dir.write("font.vec", garbage(1 << 20));
    setup.controlsFile = dir.write("quillfray.cfg", garbage(1 << 20));
    setup.levelFiles = {dir.write("garbage.lev", garbage(4 << 20))};
    setup.inputs = moves;
    setup.renderEvery = 4;
    expectSurvived(playLevels(setup));
    // The same garbage as a level on a sound base.
    expectSurvived(play({setup.levelFiles[0]}));
}

TEST(HostileLevels, ModelOfOneHundredThousandLines) {
    TempDir dir;
    std::string level = "model big { ";
    for (int k = 0; k < 100000; ++k) {
        const double t = k * 0.001;
        level += "line " + std::to_string(0.02 * (k % 7)) + " " + std::to_string(t - 50) +
                 " 0.01 0.02 ";
    }
    level += "hitc 0 0 0.05 }\n";
    level += "stage 600 { event 0 { cmd spawn { model big fx 0.5 fy 0.6 count 4 speed 0.001 "
             "hittable 1 hp 1000000 life 100000 } } }\n";
    const RunReport report = play({dir.write("big.lev", level)}, 600, 30);
    expectSurvived(report);
    ASSERT_FALSE(game.defs.modelRegistry.empty());
    EXPECT_EQ(game.defs.modelRegistry.back().lines.size(), limits::maxModelLines);
}

TEST(HostileLevels, ThreeHundredLevelFilesInOneStartUp) {
    TempDir dir;
    std::vector<std::string> levels;
    for (int k = 0; k < 300; ++k) {
        const std::string level =
            "model m { line -0.01 0 0.01 0 } script s { cmd spawn { model m speed 0.01 life 30 } }\n"
            "stage 2 { event 0 { cmd spawn { model m fx 0.5 fy 0.2 speed 0.004 onspawn s life 120 } } }\n";
        levels.push_back(dir.write("level" + std::to_string(k) + ".lev", level));
    }
    const RunReport report = play(levels);
    expectSurvived(report);
    EXPECT_EQ(game.defs.fileOrdinal, 301);
    EXPECT_EQ(game.defs.timelineLength, 600);
    EXPECT_GE(report.maxActors, 100u);
}
