// The collision pass: hostile Actors against the player ship, the player's shots against
// hittable Actors, with damage, boss bars, score, the target display, kills and the
// player's hit penalty.
#include "sim/sim.h"

#include "actors/actor_math.h"
#include "actors/actors.h"
#include "core/game_state.h"
#include "script/script.h"

#include <cmath>

namespace {

// Values the pass sets.
constexpr int32_t grazeAfterHit = 9000;
constexpr int32_t disabledAfterHit = 60;
constexpr int32_t invulnerableAfterHit = 180;
constexpr float multiplierAfterHit = 0.1f;
constexpr int32_t targetBarDisplayFrames = 300;
// A target whose hp is at or below this after a hit dies.
constexpr double deathHp = 0.0001;

// Number of Actors as an index type.
int32_t actorCount() { return static_cast<int32_t>(game.world.actors.size()); }

// Adds a gain to the first Player's score: the sum is rounded to the nearest integer.
void addScore(float gain) {
    if (game.world.players.empty()) return;
    Player& first = game.world.players[0];
    const double total = std::nearbyint(static_cast<double>(static_cast<float>(first.score) + gain));
    if (std::isnan(total)) return;
    if (total >= 2147483647.0) {
        first.score = 2147483647;
    } else if (total <= -2147483648.0) {
        first.score = -2147483647 - 1;
    } else {
        first.score = static_cast<int32_t>(total);
    }
}

// Score multiplier of the first Player (0 without one).
float firstMultiplier() {
    return game.world.players.empty() ? 0.0f : game.world.players[0].scoreMultiplier;
}

// True when a line of the hostile Actor reaches Player p (updating its graze on the way).
bool hostileHitsPlayer(int32_t i, int32_t p) {
    const Model* model = actormath::modelAt(game.world.actors[static_cast<size_t>(i)].model);
    if (model == nullptr) return false;
    const Player& player = game.world.players[static_cast<size_t>(p)];
    if (hostileClearOfPlayer(game.world.actors[static_cast<size_t>(i)], *model, player))
        return false;
    for (const ModelLine& line : model->lines) {
        if (lineHitsPlayer(game.world.actors[static_cast<size_t>(i)], line,
                           game.world.players[static_cast<size_t>(p)]))
            return true;
    }
    return false;
}

// The hit on Player p: the "player_die" effect at the ship, then the penalty.
void punishPlayer(int32_t p) {
    Player& player = game.world.players[static_cast<size_t>(p)];
    Actor effect{};
    effect.x = player.x;
    effect.y = player.y;
    effect.angle = player.heading;
    runNamedScript(effect, "player_die");
    Player& hit = game.world.players[static_cast<size_t>(p)];
    hit.disabledSteps = disabledAfterHit;
    hit.invulnerableSteps = invulnerableAfterHit;
    hit.scoreMultiplier = multiplierAfterHit;
}

// Lists the positions of the Actors a shot can hit, unless the list is up to date.
void listShotTargets() {
    auto& world = game.world;
    if (world.shotTargetsListed) return;
    world.shotTargets.clear();
    for (size_t j = 0; j < world.actors.size(); ++j) {
        const Actor& a = world.actors[j];
        if ((a.flag & flags::hittable) == 0) continue;
        const Model* model = actormath::modelAt(a.model);
        if (model == nullptr || model->circles.empty()) continue;
        ShotTarget target;
        target.index = static_cast<int32_t>(j);
        target.circles = static_cast<int64_t>(model->circles.size());
        target.reach = targetReachOf(a, *model);
        world.shotTargets.push_back(target);
    }
    world.shotTargetsListed = true;
}

// Counts `looks` Actors that a shot looks at and passes over, one budget unit each. False
// when the budget runs out on the way: the look that finds it spent ends the search.
bool passOver(int64_t looks) {
    int64_t& work = game.collisionWork;
    if (looks > 0 && work + looks - 1 >= limits::maxCollisionWork) {
        if (work < limits::maxCollisionWork) work = limits::maxCollisionWork;
        return false;
    }
    work += looks;
    return true;
}

// Ends boss bar k while following the shot and the target through the removals it
// makes; either index becomes -1 when its Actor was removed.
void endBossFollowing(int32_t k, int32_t& shot, int32_t& target) {
    auto& followed = game.world.followedActors;
    const size_t base = followed.size();
    followed.push_back(shot);
    followed.push_back(target);
    endBoss(k, 0);
    shot = followed[base];
    target = followed[base + 1];
    followed.resize(base);
}

// The hit of the shot at `walk` on the target at `target`, for Player p. `walk` is the
// pass's position and is adjusted when the shot's removal moves the list under it.
void handleHit(int32_t& walk, int32_t target, int32_t p) {
    auto& actors = game.world.actors;
    int32_t shot = walk;
    if ((actors[static_cast<size_t>(shot)].flag & flags::nohitanim) == 0)
        runNamedScript(actors[static_cast<size_t>(shot)], "shot_hit");
    fireEvent(actors[static_cast<size_t>(shot)], EventCode::onhit, shot);

    const float damage =
        actors[static_cast<size_t>(shot)].hitrate * actors[static_cast<size_t>(target)].hitrate;
    actors[static_cast<size_t>(target)].hp -= damage;
    game.events.add({StepEventKind::HitGiven, target, p, actors[static_cast<size_t>(shot)].x,
                     actors[static_cast<size_t>(shot)].y, damage});
    float targetMaxhp = actors[static_cast<size_t>(target)].maxhp;

    const int32_t boss = actors[static_cast<size_t>(target)].boss;
    auto& bars = game.world.bossBars;
    if (boss >= 1 && static_cast<size_t>(boss) <= bars.size()) {
        BossBar& bar = bars[static_cast<size_t>(boss - 1)];
        bar.current -= damage;
        if (bar.current <= 0.0f) endBossFollowing(boss - 1, shot, target);
    }

    if (shot >= 0 && (actors[static_cast<size_t>(shot)].flag & flags::piercing) == 0) {
        // A hittable shot that hit itself goes with its own removal: like a target that
        // the end of its boss removed, it scores but has no display and no kill.
        const bool selfHit = target == shot;
        removeActor(shot);
        const int32_t m = actorCount();
        // A shot that was the last Actor: the walk then skips the Actor just below it.
        if (shot == m && shot == walk) walk -= 1;
        if (selfHit) target = -1;
        else if (target == m) target = shot;
    }

    if (target >= 0) targetMaxhp = actors[static_cast<size_t>(target)].maxhp;
    addScore(targetMaxhp * firstMultiplier());
    // A target that the end of its boss removed has no display and no kill of its own.
    if (target < 0) return;

    Player& player = game.world.players[static_cast<size_t>(p)];
    player.targetHp = actors[static_cast<size_t>(target)].hp;
    player.targetHpMax = actors[static_cast<size_t>(target)].maxhp;
    player.targetBarFrames = targetBarDisplayFrames;

    if (static_cast<double>(actors[static_cast<size_t>(target)].hp) <= deathHp) {
        const Actor& killed = actors[static_cast<size_t>(target)];
        game.events.add({StepEventKind::EnemyKilled, target, p, killed.x, killed.y, killed.maxhp});
        fireEvent(actors[static_cast<size_t>(target)], EventCode::ondie, target);
        const float maxhp = actors[static_cast<size_t>(target)].maxhp;
        addScore(maxhp * maxhp * firstMultiplier());
        removeActor(target);
    }
}

// One player's walk over the Actor list, from the last Actor down.
void collideForPlayer(int32_t p) {
    for (int32_t i = actorCount() - 1; i >= 0; --i) {
        // Removals may have shortened the list below the walk's position.
        if (i >= actorCount()) {
            i = actorCount();
            continue;
        }
        const Actor& a = game.world.actors[static_cast<size_t>(i)];
        if (a.player != p) continue;
        if (a.owner == 0) {
            if (game.world.players[static_cast<size_t>(p)].invulnerableSteps != 0) continue;
            if (!hostileHitsPlayer(i, p)) continue;
            // Invincible (F4, for trying out patterns): the test above still lowers the
            // graze, but the hit does nothing.
            if (game.invincible) continue;
            game.world.actors[static_cast<size_t>(i)].graze = grazeAfterHit;
            const Player& hit = game.world.players[static_cast<size_t>(p)];
            game.events.add({StepEventKind::PlayerHit, i, p, hit.x, hit.y, 0});
            punishPlayer(p);
            game.world.shotTargetsListed = false;
            // Start again from the end: the shots there are examined once more.
            i = actorCount() - 1;
        } else if (a.owner == 1) {
            const int32_t target = findShotTarget(i);
            if (target >= 0) {
                handleHit(i, target, p);
                game.world.shotTargetsListed = false;
            }
        }
    }
}

}  // namespace

int32_t findShotTarget(int32_t i) {
    // The target the shot at index i hits: walking from the last Actor down, the first
    // hittable one (the shot itself included) one of whose hit circles a line of the shot
    // reaches. -1 when there is none. Every shot looks at every Actor, so the step's
    // collision budget counts each look and each circle-line test: once it is spent, the
    // remaining shots of the step hit nothing (only a flood of shots gets that far). The
    // walk goes through the list of possible targets; the Actors between two of them are
    // counted as looked at without being read. The list must be marked out of date
    // (World::shotTargetsListed) whenever Actors changed since the pass listed them.
    const auto& actors = game.world.actors;
    const Actor& shot = actors[static_cast<size_t>(i)];
    const Model* shotModel = actormath::modelAt(shot.model);
    if (shotModel == nullptr || shotModel->lines.empty()) return -1;
    const auto shotLines = static_cast<int64_t>(shotModel->lines.size());
    const ShotReach shotReach = shotReachOf(shot, *shotModel);
    listShotTargets();
    const auto& targets = game.world.shotTargets;
    int32_t above = actorCount();  // the walk has looked at every position from here up
    for (size_t k = targets.size(); k-- > 0;) {
        const int32_t j = targets[k].index;
        // The Actors above j, then j itself: a look each.
        if (!passOver(above - j)) return -1;
        above = j;
        game.collisionWork += targets[k].circles * shotLines;
        if (shotClearOf(shotReach, targets[k].reach)) continue;
        const Actor& target = actors[static_cast<size_t>(j)];
        const Model& targetModel = *actormath::modelAt(target.model);
        for (const HitCircle& circle : targetModel.circles) {
            for (const ModelLine& line : shotModel->lines) {
                if (lineHitsCircle(shot, line, target, circle)) return j;
            }
        }
    }
    passOver(above);
    return -1;
}

void collideActors() {
    game.collisionWork = 0;
    game.world.shotTargetsListed = false;
    for (size_t p = 0; p < game.world.players.size(); ++p) collideForPlayer(static_cast<int32_t>(p));
}
