// Command execution: the handler of every command word (one per row of
// defs/command_words.h), running a Script's Commands on a running Actor, and the boss
// bookkeeping (boss bars, the timeline hold and the end of a boss).
#include "actors/actor_math.h"
#include "actors/actors.h"
#include "core/game_state.h"
#include "defs/command_words.h"
#include "script/script.h"
#include "core/numbers.h"

#include <array>
#include <cstdint>

namespace {

// Steps a boss hold lasts at most when the boss command gives no time: ten minutes.
constexpr int32_t defaultBossHold = 36000;

// spawn: spawnCommand only reads the origin and touches no Actor, so the running Actor
// serves as the origin copy without being copied.
void runSpawn(Actor& running, const Command& command, int32_t context) {
    spawnCommand(running, command.params, context);
}

// trigger: fires ontrigger on the Actors with the ids given.
void runTrigger(Actor&, const Command& command, int32_t context) { triggerCommand(command, context); }

// reload: sets the shot cooldown of the player in context to each "time" value given.
void runShotCooldown(Actor&, const Command& command, int32_t context) {
    auto& players = game.world.players;
    if (context < 0 || static_cast<size_t>(context) >= players.size()) return;
    for (const SpawnParam& p : command.params) {
        if (p.wholeName == ParamName::Time)
            players[static_cast<size_t>(context)].shotCooldown = static_cast<float>(p.intValue);
    }
}

// boss: starts the hold and adds the bars.
void runBoss(Actor&, const Command& command, int32_t) { bossCommand(command); }

// alter and selfmodify: change the running Actor.
void runAlter(Actor& running, const Command& command, int32_t) { alterActor(running, command.params); }

// reflx: mirrors the heading left to right.
void runReflx(Actor& running, const Command&, int32_t) {
    running.angle = num::twoPi - running.angle;
}

// refly: mirrors the heading top to bottom.
void runRefly(Actor& running, const Command&, int32_t) { running.angle = num::pi - running.angle; }

// remove: clears the running Actor.
void runRemove(Actor& running, const Command&, int32_t) { running = Actor{}; }

// sound and music: tell app/ which sound or tune the command names. Nothing the
// simulation reads changes and the generator is not drawn from.
void runSoundCommand(Actor& running, const Command& command, int32_t context) {
    if (command.soundName == noSoundName) return;
    const StepEventKind kind = command.word == CommandWord::Music ? StepEventKind::MusicCommand
                                                                  : StepEventKind::SoundCommand;
    const auto& actors = game.world.actors;
    const bool listed = !actors.empty() && &running >= actors.data() &&
                        &running < actors.data() + actors.size();
    const int32_t actor = listed ? static_cast<int32_t>(&running - actors.data()) : -1;
    game.events.add({kind, actor, context, running.x, running.y,
                     static_cast<float>(command.soundName)});
}

// An unknown word does nothing.
void runNothing(Actor&, const Command&, int32_t) {}

// A command word and what running it does.
struct Handler {
    CommandWord word;
    CommandHandler run;
};

// One handler per CommandWord, in the order of the enum and of defs/command_words.h.
constexpr std::array<Handler, commandwords::count> handlers = {{
    {CommandWord::Unknown, runNothing},
    {CommandWord::Spawn, runSpawn},
    {CommandWord::Trigger, runTrigger},
    {CommandWord::Reload, runShotCooldown},
    {CommandWord::Boss, runBoss},
    {CommandWord::Selfmodify, runAlter},
    {CommandWord::Alter, runAlter},
    {CommandWord::Reflx, runReflx},
    {CommandWord::Refly, runRefly},
    {CommandWord::Remove, runRemove},
    {CommandWord::Sound, runSoundCommand},
    {CommandWord::Music, runSoundCommand},
}};

// Whether every CommandWord has its handler at its own index.
constexpr bool handlersComplete() {
    for (size_t i = 0; i < handlers.size(); ++i)
        if (handlers[i].word != static_cast<CommandWord>(i) || handlers[i].run == nullptr) return false;
    return true;
}
static_assert(handlersComplete(), "handlers: one per CommandWord, in enum order");

}  // namespace

CommandHandler commandHandler(CommandWord word) {
    const auto i = static_cast<size_t>(word);
    return i < handlers.size() ? handlers[i].run : nullptr;
}

void runCommand(Actor& running, const Command& command, int32_t context) {
    if (const CommandHandler run = commandHandler(command.word)) run(running, command, context);
}

void executeScript(Actor& running, int32_t scriptIndex, int32_t context) {
    // Runs the Commands of Script `scriptIndex` on the running Actor. The registry is
    // read-only while the game runs, so the Script is run in place. Runs nested deeper than
    // the script depth limit, and commands after the step has spent its work budget, do
    // nothing; an index outside the registry is an empty Script.
    const auto& scripts = game.defs.scriptRegistry;
    if (scriptIndex < 0 || static_cast<size_t>(scriptIndex) >= scripts.size()) return;
    if (game.scriptDepth >= limits::maxScriptDepth) return;
    const Script& script = scripts[static_cast<size_t>(scriptIndex)];
    ++game.scriptDepth;
    for (const Command& command : script.commands) {
        // A command costs in proportion to its parameters, so a command of a million
        // parameters spends the budget as a million commands would; one that does not
        // fit in what is left of the budget does not run.
        const int64_t cost = 1 + static_cast<int64_t>(command.params.size());
        if (game.scriptWork + cost > limits::maxScriptWork) break;
        game.scriptWork += cost;
        runCommand(running, command, context);
    }
    --game.scriptDepth;
}

void bossCommand(const Command& command) {
    game.clock.holdActive = true;
    game.clock.holdLength = defaultBossHold;
    for (const SpawnParam& p : command.params) {
        if (p.wholeName == ParamName::Hp) {
            // Every bar costs each later endBoss a pass over the Actors: keep them few.
            if (game.world.bossBars.size() < limits::maxBossBars)
                game.world.bossBars.push_back({p.floatValue, p.floatValue});
        } else if (p.wholeName == ParamName::Time) {
            game.clock.holdLength = p.intValue;
        }
    }
    const auto running = static_cast<float>(game.world.bossBars.size());
    game.events.add({StepEventKind::BossStart, -1, -1, 0, 0, running});
}

void triggerCommand(const Command& command, int32_t context) {
    auto& actors = game.world.actors;
    for (const SpawnParam& p : command.params) {
        if (p.wholeName != ParamName::Id) continue;
        // Each id looks at every Actor; once the step's budget is spent, the rest of the
        // ids (from the timeline too) do nothing.
        if (game.scriptWork >= limits::maxScriptWork) return;
        game.scriptWork += static_cast<int64_t>(actors.size());
        for (size_t a = 0; a < actors.size(); ++a) {
            if (actors[a].id == p.intValue)
                fireEvent(actors[a], EventCode::ontrigger, context);
        }
    }
}

void endBoss(int32_t k, int32_t reason) {
    auto& bars = game.world.bossBars;
    if (k < 0 || static_cast<size_t>(k) >= bars.size()) return;
    const auto n = static_cast<int32_t>(bars.size());
    game.events.add({StepEventKind::BossEnd, -1, -1, 0, 0, static_cast<float>(reason)});
    bars[static_cast<size_t>(k)] = bars.back();

    auto& actors = game.world.actors;
    const EventCode code = reason == 0 ? EventCode::onbossdie : EventCode::onbosstimeout;
    for (size_t j = actors.size(); j-- > 0;) {
        if (j >= actors.size()) continue;
        const auto index = static_cast<int32_t>(j);
        if (actors[j].boss == k + 1) {
            fireEvent(actors[j], code, index);
            removeActor(index);
        } else if (actors[j].boss == n) {
            actors[j].boss = k + 1;
        }
    }

    bars.pop_back();
    if (bars.empty()) {
        game.clock.holdTotal += game.clock.holdCounter;
        game.clock.holdActive = false;
        game.clock.holdLength = 0;
        game.clock.holdCounter = 0;
    }
}
