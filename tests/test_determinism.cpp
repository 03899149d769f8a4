// Determinism guard: long games with scripted input must reproduce, step for step, the
// state trace recorded before the simulation was optimised (a hash of every Actor and
// Player field, the boss bars and the counters after each step). The traces were
// recorded again by that unoptimised code once the score multiplier took its growth
// factor as the decimal 1.0005; the optimised code gives the very same hashes. The
// generator is also pinned on its own.
#include "tests/support/shell_world.h"

#include "core/rng.h"
#include "input/input.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <cstdint>
#include <string_view>
#include <vector>

using testing_support::ShellWorld;

namespace {

// A crowded level of the test's own: endless waves of ring and fan shooters with spawn
// scripts that alter their bullets, a boss with two parts, and a ship that fires.
constexpr std::string_view crowdedLevel = R"(
script idle { }
script clear1 { }
model ship { line 0 -0.02 0.02 0.02 line 0.02 0.02 -0.02 0.02 line -0.02 0.02 0 -0.02 }
model pellet { line 0 -0.004 0 0.004 line -0.003 0 0.003 0 }
model rice { line 0 -0.006 0.002 0.004 }
model shotm { line 0 -0.012 0 0.012 }
model ringer { line -0.02 0 0.02 0 line 0 -0.02 0 0.02 hitc 0 0 0.02 hitc 0.015 0 0.01 }
model fanner { line -0.015 -0.01 0.015 -0.01 line 0.015 -0.01 0 0.015 hitc 0 0 0.015 }
model core { line -0.05 0 0.05 0 line 0 -0.05 0 0.05 hitc 0 0 0.05 hitc 0 0.04 0.02 }
script shot { cmd spawn { model shotm owner 1 speed 0.03 onleave clear } cmd reload { time 4 } }
script wide { cmd spawn { model shotm owner 1 count 3 san 170 ean 190 speed 0.028 onleave clear } cmd reload { time 6 } }
ship arrow { model ship shot1 shot shot2 wide }
script speedup { cmd alter { dspd 0.00003 } }
script curl { cmd alter { rot 30 drot 2 life 500 } }
script ringfire { cmd spawn { owner 0 model pellet count 12 order 1 sfan 0 efan 360 speed 0.004 onspawn curl onleave clear } }
script fanfire { cmd alter { aim 360 } cmd spawn { owner 0 model rice count 5 san -40 ean 40 speed 0.005 life 400 onspawn speedup onleave clear } }
script coreburst { cmd spawn { owner 0 model pellet count 40 order 1 sfan 0 efan 720 time 20 speed 0.0045 life 300 onleave clear } }
stage 36000 {
  event 0 { cmd spawn { owner 0 model ringer hp 6 hittable 1 s_x 0.1 e_x 0.9 o_x 3 y 0 speed 0.0025 life 30 repeat 12 ontime ringfire onfleave clear time 90 times 0 } }
  event 20 { cmd spawn { owner 0 model fanner hp 3 hittable 1 s_x 0.05 e_x 0.95 o_x 3 y 0 speed 0.004 life 25 repeat 8 ontime fanfire onfleave clear time 120 times 0 } }
  event 3000 { cmd boss { hp 400 time 1500 } }
  event 3001 { cmd spawn { owner 0 model core hp 400 boss 1 hittable 1 x 0.5 y 0.3 life 60 repeat 40 ontime coreburst } }
}
)";

// FNV-1a over 64 bits, taking 32-bit words as its units (a quarter of the multiplies of
// the byte-wise form; the trace is long).
class TraceHash {
public:
    // Folds a 32-bit value in.
    void add(uint32_t v) {
        value_ ^= v;
        value_ *= 0x100000001B3ull;
    }
    // Folds a signed integer in.
    void add(int32_t v) { add(static_cast<uint32_t>(v)); }
    // Folds a float in by its bits.
    void add(float v) { add(std::bit_cast<uint32_t>(v)); }
    // Folds a flag in.
    void add(bool v) { add(static_cast<uint32_t>(v ? 1 : 0)); }

    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 0xCBF29CE484222325ull;
};

// Every field of the state that a step can change.
void hashState(TraceHash& h) {
    const World& w = game.world;
    h.add(game.clock.frameCounter);
    h.add(game.clock.holdActive);
    h.add(game.clock.holdCounter);
    h.add(game.clock.holdTotal);
    h.add(game.clock.holdLength);
    h.add(game.rng.state);
    h.add(static_cast<uint32_t>(w.actors.size()));
    for (const Actor& a : w.actors) {
        for (float f : {a.x, a.y, a.angle, a.speed, a.andelta, a.hp, a.maxhp, a.scale, a.rotate,
                        a.hitrate, a.scaledelta, a.rotatedelta, a.speeddelta})
            h.add(f);
        for (int32_t v : {a.model, a.owner, a.id, a.player, a.flag, a.graze, a.boss, a.samex,
                          a.samey, a.life, a.repeat, a.rlife})
            h.add(v);
        for (int32_t e : a.events) h.add(e);
    }
    h.add(static_cast<uint32_t>(w.emitters.size()));
    for (const Emitter& e : w.emitters) {
        h.add(e.wait), h.add(e.times), h.add(e.emitted), h.add(e.frame), h.add(e.attached);
    }
    for (const Player& p : w.players) {
        for (float f : {p.x, p.y, p.heading, p.hitRadius, p.speed, p.shotCooldown,
                        p.specialTimer, p.specialTimerFull, p.scoreMultiplier, p.targetHp,
                        p.targetHpMax})
            h.add(f);
        for (int32_t v : {p.modelIndex, p.shipIndex, p.disabledSteps, p.targetBarFrames,
                          p.invulnerableSteps, p.score})
            h.add(v);
    }
    h.add(static_cast<uint32_t>(w.bossBars.size()));
    for (const BossBar& b : w.bossBars) h.add(b.current), h.add(b.maximum);
}

// Keys the scripted pilot uses.
constexpr int keyUp = 0x26, keyRight = 0x27, keyDown = 0x28, keyLeft = 0x25, keyFire = 0x5A,
              keyBomb = 0x58, keyPower = 0x43, keySlow = 0x10;

// What one run reports: the trace hash after each checkpoint and the most Actors seen.
struct RunResult {
    std::vector<uint64_t> hashes;
    size_t mostActors = 0;
};

// Plays `steps` gameplay steps of the loaded level with a scripted pilot (a fixed seed
// drives its choices), hashing the state after every step; the hash is read out after
// each checkpoint step count.
RunResult playAndHash(ShellWorld& world, int32_t steps, const std::vector<int32_t>& checkpoints) {
    for (auto [actionNumber, key] : {std::pair{Action::up, keyUp}, {Action::right, keyRight},
                                     {Action::down, keyDown}, {Action::left, keyLeft},
                                     {Action::fire, keyFire}, {Action::bomb, keyBomb},
                                     {Action::power, keyPower}, {Action::slowdown, keySlow}})
        ShellWorld::bind(actionNumber, key);
    game.rng.seed(20261208);
    enterGameplay();
    uint32_t pilot = 777;
    TraceHash h;
    RunResult result;
    size_t next = 0;
    for (int32_t step = 1; step <= steps; ++step) {
        if (step % 40 == 1) {
            pilot = pilot * 1103515245u + 12345u;
            const uint32_t r = pilot >> 16;
            world.hold(keyUp, (r & 3u) == 0);
            world.hold(keyDown, (r & 3u) == 1);
            world.hold(keyLeft, ((r >> 2) & 3u) == 0);
            world.hold(keyRight, ((r >> 2) & 3u) == 1);
            world.hold(keySlow, ((r >> 4) & 7u) == 0);
            world.hold(keyFire, ((r >> 7) & 7u) != 0);
        }
        world.hold(keyBomb, step % 1700 == 0);
        world.hold(keyPower, step % 2300 < 3);
        gameplayStep();
        hashState(h);
        if (game.world.actors.size() > result.mostActors) result.mostActors = game.world.actors.size();
        if (next < checkpoints.size() && step == checkpoints[next]) {
            result.hashes.push_back(h.value());
            ++next;
        }
    }
    return result;
}

// Sanitizer builds run ten times slower: they check the first checkpoint only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool shortRun = true;
#else
constexpr bool shortRun = false;
#endif

TEST(Determinism, CrowdedLevelReproducesItsRecordedTrace) {
    ShellWorld world;
    world.load(crowdedLevel);
    const std::vector<int32_t> checkpoints{2000, 36000};
    const RunResult run = playAndHash(world, shortRun ? checkpoints[0] : checkpoints[1], checkpoints);
    const std::vector<uint64_t> recorded{0x63ad5c6a0cb68f5eull, 0x7a46f6a6f61876f9ull};
    ASSERT_EQ(run.hashes.size(), shortRun ? 1u : 2u);
    for (size_t k = 0; k < run.hashes.size(); ++k)
        EXPECT_EQ(run.hashes[k], recorded[k]) << std::hex << "checkpoint " << k << ": 0x" << run.hashes[k];
    // The level is a real load: hundreds of Actors at once, and it stays bounded.
    EXPECT_GT(run.mostActors, 300u) << run.mostActors;
    EXPECT_LT(run.mostActors, 20000u) << run.mostActors;
}

TEST(Determinism, DefaultLevelReproducesItsRecordedTrace) {
    ShellWorld world;
    const std::string data = std::string(QF_SOURCE_DIR) + "/data/";
    resetRegistries();
    ASSERT_TRUE(loadDefinitionFile(data + "base.vec"));
    loadFontFile(data + "font.vec");
    ASSERT_TRUE(loadDefinitionFile(data + "default.lev"));
    const std::vector<int32_t> checkpoints{2000, 36000};
    const RunResult run = playAndHash(world, shortRun ? checkpoints[0] : checkpoints[1], checkpoints);
    const std::vector<uint64_t> recorded{0x99fc303788808266ull, 0xe47e998bd67fdb3aull};
    ASSERT_EQ(run.hashes.size(), shortRun ? 1u : 2u);
    for (size_t k = 0; k < run.hashes.size(); ++k)
        EXPECT_EQ(run.hashes[k], recorded[k]) << std::hex << "checkpoint " << k << ": 0x" << run.hashes[k];
    // The level grows crowded past its opening (the short run stops before that).
    if (!shortRun) {
        EXPECT_GT(run.mostActors, 300u) << run.mostActors;
    }
    // The pilot stays in the game all the way.
    EXPECT_EQ(game.clock.frameCounter, shortRun ? checkpoints[0] : checkpoints[1]);
}

}  // namespace

// The generator on its own, not only through the kept traces: the classic sequence after
// seed 1 (the default), and the values after a state picked at random.
TEST(Determinism, GeneratorGivesTheClassicValues) {
    Rng rng;
    for (int expected : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(rng.next(), expected);
    rng.seed(0xDEADBEEFu);
    for (int expected : {18337, 16920, 18732}) EXPECT_EQ(rng.next(), expected);
    EXPECT_EQ(rng.state, 0xC92C4C20u);
}
