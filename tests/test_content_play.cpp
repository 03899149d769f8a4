// Plays the shipped level headless with a scripted pilot: the whole level stays within the
// Actor and Emitter limits, nothing lingers off screen, and every ship can beat every boss.
#include "app/app.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "input/input.h"
#include "platform/headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

const std::string dataDir = std::string(QF_SOURCE_DIR) + "/data/";

// First timeline frames of the second and third stage (stage lengths 7200, 7800, 8400).
constexpr int32_t stage2Start = 7200, stage3Start = 15000;

// Game key codes the pilot presses.
constexpr int keyLeft = 0x25, keyUp = 0x26, keyRight = 0x27, keyDown = 0x28;
constexpr int keyFire = 0x5A, keySlow = 0x58, keyBomb = 0x43, keyPower = 0x56;

// How the pilot uses its special weapons.
enum class Specials { None, Bomb, Power };

// What one run saw.
struct RunStats {
    size_t peakActors = 0;
    size_t peakEmitters = 0;
    int longestOffscreenRun = 0;   // consecutive steps with some Actor off the playfield
    int bossesDestroyed = 0;
    int bossesTimedOut = 0;
    int hitsTaken = 0;
    std::array<int, 3> hitsPerStage{};  // by the stage whose frames were running
    int steps = 0;
};

// Loads the shipped files and starts a game with `ship` on a headless engine.
void startGame(HeadlessEngine& engine, int ship) {
    resetGameState();
    resetAppState();
    resetRegistries();
    loadDefinitionFile(dataDir + "base.vec");
    loadFontFile(dataDir + "font.vec");
    loadDefinitionFile(dataDir + "default.lev");
    game.platform.engine = &engine;
    auto& table = game.input.bindingTable;
    table[Action::up].keys = {keyUp};
    table[Action::right].keys = {keyRight};
    table[Action::down].keys = {keyDown};
    table[Action::left].keys = {keyLeft};
    table[Action::slowdown].keys = {keySlow};
    table[Action::fire].keys = {keyFire};
    table[Action::bomb].keys = {keyBomb};
    table[Action::power].keys = {keyPower};
    app.shell.chosenShip = ship;
    enterGameplay();
}

// The hittable Actor the pilot goes for: the weakest boss part, else the lowest enemy.
const Actor* pickTarget() {
    const Actor* best = nullptr;
    for (const Actor& a : game.world.actors) {
        if ((a.flag & 1) == 0 || a.y < 0.02f || a.y > 1.0f || a.x < 0.0f || a.x > 1.0f) continue;
        if (best == nullptr) {
            best = &a;
        } else if ((a.boss > 0) != (best->boss > 0)) {
            if (a.boss > 0) best = &a;
        } else if (a.boss > 0 ? a.hp < best->hp : a.y > best->y) {
            best = &a;
        }
    }
    return best;
}

// Sets the pilot's keys for the next step: slide under the target and keep firing.
void steer(HeadlessEngine& engine, Specials specials, int step) {
    engine.keyHeld.fill(false);
    engine.keyHeld[keyFire] = true;
    const Player& player = game.world.players.front();
    if (const Actor* target = pickTarget()) {
        const float dx = target->x - player.x;
        if (dx > 0.005f) engine.keyHeld[keyRight] = true;
        if (dx < -0.005f) engine.keyHeld[keyLeft] = true;
        engine.keyHeld[keySlow] = target->boss > 0;
    }
    if (player.y < 1.2f) engine.keyHeld[keyDown] = true;
    // Specials now and then, so their scripts run too.
    if (specials == Specials::Bomb && step % 900 == 450) engine.keyHeld[keyBomb] = true;
    // The power attack needs the gun cool too, so the pilot stops firing for a moment.
    if (specials == Specials::Power && step % 1500 >= 750 && step % 1500 < 760) {
        engine.keyHeld[keyFire] = false;
        engine.keyHeld[keyPower] = true;
    }
}

// A hostile Actor as the dodging pilot sees it: where it is, how it moves, how far it reaches.
struct Threat {
    float x, y, vx, vy, reach;
};

// Hostile Actors near the ship, with the reach of their model around their centre.
std::vector<Threat> nearbyThreats(const Player& player) {
    std::vector<Threat> out;
    for (const Actor& a : game.world.actors) {
        const float dx = a.x - player.x, dy = a.y - player.y;
        if (a.owner != 0 || dx * dx + dy * dy > 0.09f) continue;
        float reach = 0.012f;
        for (const ModelLine& line : game.defs.modelRegistry[static_cast<size_t>(a.model)].lines) {
            reach = std::max(reach, std::max(line.radius1, line.radius2) * a.scale + 0.008f);
        }
        out.push_back({a.x, a.y, std::sin(a.angle) * a.speed, std::cos(a.angle) * a.speed, reach});
    }
    return out;
}

// The careful pilot: of the nine directions at full and at half speed, take the one whose
// next 14 steps keep clear of every nearby bullet on its straight course, preferring the
// target's column and the ship's start row.
void dodge(HeadlessEngine& engine, float targetX) {
    const Player& player = game.world.players.front();
    const std::vector<Threat> threats = nearbyThreats(player);
    static constexpr int dirs[9][2] = {{0, 0},  {1, 0},  {-1, 0}, {0, 1},  {0, -1},
                                       {1, 1},  {1, -1}, {-1, 1}, {-1, -1}};
    float best = 1e9f;
    int bestDir = 0;
    bool bestSlow = true;
    for (int slow = 0; slow < 2; ++slow) {
        for (int d = 0; d < 9; ++d) {
            const float speed = 0.008f * (slow != 0 ? 0.5f : 1.0f);
            const float norm = (dirs[d][0] != 0 && dirs[d][1] != 0) ? 0.70710678f : 1.0f;
            float danger = 0;
            for (int k = 1; k <= 14; ++k) {
                const float px = std::clamp(player.x + dirs[d][0] * norm * speed * k, 0.02f, 0.98f);
                const float py = std::clamp(player.y + dirs[d][1] * norm * speed * k, 0.02f, 1.48f);
                for (const Threat& t : threats) {
                    const float bx = t.x + t.vx * k - px, by = t.y + t.vy * k - py;
                    const float dist = std::sqrt(bx * bx + by * by);
                    if (dist < t.reach + 0.006f) danger += 100.0f / k;
                    else if (dist < t.reach + 0.03f) danger += 1.0f / k;
                }
                if (k == 14) danger += (std::fabs(px - targetX) + std::fabs(py - 1.25f)) * 2;
            }
            if (danger < best - 1e-6f) {
                best = danger;
                bestDir = d;
                bestSlow = slow != 0;
            }
        }
    }
    engine.keyHeld[keyLeft] = dirs[bestDir][0] < 0;
    engine.keyHeld[keyRight] = dirs[bestDir][0] > 0;
    engine.keyHeld[keyUp] = dirs[bestDir][1] < 0;
    engine.keyHeld[keyDown] = dirs[bestDir][1] > 0;
    engine.keyHeld[keySlow] = bestSlow;
}

// True if the Actor's position lies outside the playfield.
bool offscreen(const Actor& a) { return a.x < 0.0f || a.x > 1.0f || a.y < 0.0f || a.y > 1.5f; }

// Plays from the start until the level has ended and its last Actors had time to leave.
RunStats playLevel(int ship, Specials specials, bool invulnerable, bool careful = false) {
    HeadlessEngine engine;
    startGame(engine, ship);
    RunStats stats;
    int offscreenRun = 0;
    const int32_t length = game.defs.timelineLength;
    auto timelineFrame = [] {
        return game.clock.frameCounter - game.clock.holdTotal - game.clock.holdCounter;
    };
    // Generous bound: the level, every boss's full time limit, and a minute to settle.
    const int maxSteps = length + 3600 + 4500 + 5400 + 3600;
    int afterEnd = 0;
    for (int step = 0; step < maxSteps && afterEnd < 1200; ++step) {
        steer(engine, specials, step);
        if (careful) {
            const Actor* target = pickTarget();
            dodge(engine, target != nullptr ? target->x : 0.5f);
        }
        const int disabledBefore = game.world.players.front().disabledSteps;
        if (invulnerable) game.world.players.front().invulnerableSteps = 4;
        const bool timingOut =
            game.clock.holdActive && game.clock.holdCounter + 1 >= game.clock.holdLength &&
            timelineFrame() < length;
        const bool holding = game.clock.holdActive;
        if (!gameplayStep()) break;
        if (holding && !game.clock.holdActive) {
            if (timingOut) {
                ++stats.bossesTimedOut;
            } else {
                ++stats.bossesDestroyed;
            }
        }
        if (game.world.players.front().disabledSteps > disabledBefore) {
            ++stats.hitsTaken;
            const int32_t frame = timelineFrame();
            ++stats.hitsPerStage[frame < stage2Start ? 0 : frame < stage3Start ? 1 : 2];
        }
        stats.peakActors = std::max(stats.peakActors, game.world.actors.size());
        stats.peakEmitters = std::max(stats.peakEmitters, game.world.emitters.size());
        const bool anyOff = std::any_of(game.world.actors.begin(), game.world.actors.end(), offscreen);
        offscreenRun = anyOff ? offscreenRun + 1 : 0;
        stats.longestOffscreenRun = std::max(stats.longestOffscreenRun, offscreenRun);
        if (timelineFrame() >= length) ++afterEnd;
        stats.steps = step + 1;
    }
    EXPECT_GE(timelineFrame(), length) << "the level did not reach its end";
    return stats;
}

}  // namespace

TEST(ShippedLevelPlay, WholeLevelStaysWithinLimitsAndLeavesNothingOffscreen) {
    const RunStats stats = playLevel(0, Specials::Bomb, false);
    EXPECT_LT(stats.peakActors, limits::maxActors);
    EXPECT_LT(stats.peakEmitters, limits::maxEmitters);
    // Far below the limits too: the level is meant to stay light.
    EXPECT_LT(stats.peakActors, 3000u);
    EXPECT_LT(stats.peakEmitters, 500u);
    // An Actor off screen for more than ten seconds would mean a missing edge event.
    EXPECT_LT(stats.longestOffscreenRun, 600);
    EXPECT_EQ(stats.bossesDestroyed + stats.bossesTimedOut, 3);
}

TEST(ShippedLevelPlay, EachShipDestroysEveryBossInTime) {
    for (int ship = 0; ship < 3; ++ship) {
        const RunStats stats =
            playLevel(ship, ship == 1 ? Specials::Power : Specials::None, true);
        EXPECT_EQ(stats.bossesDestroyed, 3) << "ship " << ship;
        EXPECT_EQ(stats.bossesTimedOut, 0) << "ship " << ship;
        EXPECT_LT(stats.longestOffscreenRun, 600) << "ship " << ship;
    }
}

TEST(ShippedLevelPlay, EveryPatternLeavesAWayThroughForACarefulPilot) {
    // A pilot that only looks 14 steps ahead along straight bullet paths gets through the whole
    // level, bosses included, with every ship: no pattern walls the ship in. (A single full
    // row of pellets across the screen in the first stage already costs it several hits.)
    int hits = 0;
    for (int ship = 0; ship < 3; ++ship) {
        const RunStats stats = playLevel(ship, Specials::None, false, true);
        hits += stats.hitsTaken;
        EXPECT_EQ(stats.bossesDestroyed, 3) << "ship " << ship;
    }
    EXPECT_LE(hits, 1);
}

TEST(ShippedLevelPlay, ACarelessPilotGetsHitMoreInEveryLaterStage) {
    // Rising difficulty: a pilot that never dodges is hit more often as the stages go on.
    for (int ship = 0; ship < 3; ++ship) {
        const RunStats stats = playLevel(ship, Specials::None, false);
        EXPECT_LT(stats.hitsPerStage[0], stats.hitsPerStage[1]) << "ship " << ship;
        EXPECT_LT(stats.hitsPerStage[1], stats.hitsPerStage[2]) << "ship " << ship;
    }
}

TEST(ShippedLevelPlay, DemoKeepsCyclingWithoutFlooding) {
    // Ten minutes behind the selection screen: the show goes on and never piles up.
    HeadlessEngine engine;
    startGame(engine, 0);
    enterShipSelection();
    size_t peak = 0;
    int quietSteps = 0;
    int longestQuiet = 0;
    int hostileSeen = 0;
    for (int frame = 0; frame < 36000; ++frame) {
        engine.time += 1.0 / 60.0;
        engine.runFrame();
        peak = std::max(peak, game.world.actors.size());
        // The ship's own shots are always there; count what the demo itself shows.
        const auto shown = std::count_if(game.world.actors.begin(), game.world.actors.end(),
                                         [](const Actor& a) { return a.owner != 1; });
        quietSteps = shown <= 1 ? quietSteps + 1 : 0;
        longestQuiet = std::max(longestQuiet, quietSteps);
        hostileSeen += std::any_of(game.world.actors.begin(), game.world.actors.end(),
                                   [](const Actor& a) { return a.owner == 0; })
                           ? 1
                           : 0;
    }
    EXPECT_GE(game.clock.frameCounter, 35000);
    EXPECT_LT(peak, 1500u);
    EXPECT_LT(longestQuiet, 240);
    EXPECT_GT(hostileSeen, 3000);
}
