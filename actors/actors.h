// Actors: the Actor list, spawning into Emitters, the emitter pass with its spawn
// patterns, and property alteration (the records are in core/actor.h; which parameter
// names spawn and alteration read, and how, is the table of actors/param_use.h).
#pragma once

#include "core/actor.h"
#include "core/records.h"

#include <cstdint>
#include <span>

// ---------------------------------------------------------------- actor_list.cpp

// Copies the record onto the end of the Actor list (unless the list is at its cap).
void appendActor(const Actor& actor);
// Removes Actor `index`: drops Emitters bound to it, re-points Emitters bound to the last
// Actor (which moves into its place), grants the graze score, then moves the last Actor in.
void removeActor(int32_t index);
// Zeroes every field but graze.
void clearActor(Actor& actor);

// ---------------------------------------------------------------- emitter_links.cpp

// Appends an Emitter to the Emitter list and notes which Actor it is bound to.
void appendEmitter(const Emitter& emitter);
// Removes Emitter j: the last Emitter is copied into its place and the list shrinks.
void retireEmitter(size_t j);
// The Emitter half of removing Actor `index` while Actor `last` moves into its place:
// Emitters bound to `index` go, as a walk of the list from its end would remove them,
// and Emitters bound to `last` are bound to `index` instead.
void dropEmittersOf(int32_t index, int32_t last);

// ---------------------------------------------------------------- spawn.cpp

// Builds one Emitter from a spawn command and appends it to the Emitter list.
void spawnCommand(const Actor& origin, std::span<const SpawnParam> params, int32_t context);

// ---------------------------------------------------------------- emitters.cpp

// The value of range R for the Actor with index i of the cycle (shared random r, n levels).
float evalRange(const SpawnRange& range, float r, int32_t i, int32_t n);
// One emitter pass: releases this step's Actors and fires their onspawn.
void runEmitters();

// ---------------------------------------------------------------- alter.cpp

// Applies alteration parameters, in order, to the running Actor.
void alterActor(Actor& actor, std::span<const SpawnParam> params);
// Turns the heading toward (px, py) by at most `limitDegrees`, snapping when closer.
void turnToward(Actor& actor, float px, float py, float limitDegrees);
