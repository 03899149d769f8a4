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
// The boss command: starts the hold and appends one bar per "hp" parameter.
void bossCommand(const Command& command);
// The trigger command: fires ontrigger on every Actor whose id matches an "id" parameter.
void triggerCommand(const Command& command, int32_t context);
// Ends boss bar k (0-based); reason 0 destroyed, 1 timed out.
void endBoss(int32_t k, int32_t reason);

// ---------------------------------------------------------------- events.cpp

// Runs the script in the Actor's slot for `code` (slot value 1 clears the Actor).
void fireEvent(Actor& actor, EventCode code, int32_t context);
// Binds the base.vec Script called `name` to the onevery slot and fires it.
void runNamedScript(Actor& actor, std::string_view name);

// ---------------------------------------------------------------- timeline.cpp

// Runs the Commands of timeline slot f that the stage rule of their word runs.
void runTimelineFrame(int32_t f);
