// Script runtime: command execution with the boss bookkeeping, Actor events, and the
// stage timeline.
#pragma once

#include "core/actor.h"
#include "core/records.h"

#include <cstdint>
#include <string_view>

// ---------------------------------------------------------------- execute.cpp

// What running a command word does: on the running Actor, with the context.
using CommandHandler = void (*)(Actor& running, const Command& command, int32_t context);
// The handler of `word` (null for a value outside the command-word table).
CommandHandler commandHandler(CommandWord word);
// Runs one Command on the running Actor (or a stage's origin) by its word's handler.
void runCommand(Actor& running, const Command& command, int32_t context);

// Runs the Commands of Script `scriptIndex` on the running Actor.
void executeScript(Actor& running, int32_t scriptIndex, int32_t context);
// The boss command: starts the hold and appends one full bar per "hp" parameter, up to
// limits::maxBossBars bars.
void bossCommand(const Command& command);
// The trigger command: per "id" parameter, fires ontrigger on every Actor with that id,
// first to last, re-reading the list size after every event.
void triggerCommand(const Command& command, int32_t context);
// Ends boss bar k: the last bar takes its place, the boss's Actors get their event and
// leave, the last bar's Actors are renumbered, and the hold closes with the last bar.
void endBoss(int32_t k, int32_t reason);

// ---------------------------------------------------------------- events.cpp

// Runs the script in the Actor's slot for `code`; a slot holding 1 clears the Actor.
void fireEvent(Actor& actor, EventCode code, int32_t context);
// Binds the first Script called exactly `name` to the onevery slot and fires it.
void runNamedScript(Actor& actor, std::string_view name);

// ---------------------------------------------------------------- timeline.cpp

// Runs the Commands of timeline slot f that the stage rule of their word runs.
void runTimelineFrame(int32_t f);
