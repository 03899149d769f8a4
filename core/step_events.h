// The events of one step: what happened in it that a player would hear or feel (a shot,
// a hit, a kill, a graze, a bomb, a boss, a stage). The simulation appends them as they
// happen; app/ reads them after the step. They change nothing the simulation reads.
#pragma once

#include "core/limits.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// What an event is; the value's meaning is given per kind.
enum class StepEventKind : uint8_t {
    ShotFired,    // the ship fired (value: the shot type, 1 or 2)
    HitGiven,     // a player shot hit an Actor (value: the damage)
    EnemyKilled,  // a shot's hit killed an Actor (value: its maxhp, small or large)
    Graze,        // a hostile Actor crossed the ship's row or column close by (value: distance)
    PlayerHit,    // a hostile Actor hit the ship (value: 0)
    Bomb,         // the ship dropped a bomb (value: the Actors it reached)
    PowerAttack,  // the ship's power attack (value: 0)
    BossStart,    // a boss command ran (value: the boss bars running after it)
    BossEnd,      // a boss bar ended (value: 0 destroyed, 1 timed out)
    StageStart,   // the timeline reached a stage block's first frame (value: stage, from 1)
    SoundCommand, // a sound command ran (value: its name, Registries::soundCommandNames)
    MusicCommand, // a music command ran (value: its name there, or musicStop)
};

// The kinds' names, in the order of StepEventKind, as the simulator writes them.
inline constexpr std::array<std::string_view, 12> stepEventNames = {
    "shot", "hit", "kill", "graze", "player_hit", "bomb", "power", "boss_start", "boss_end",
    "stage_start", "sound", "music"};

// One event: its kind, the Actor or Player it concerns (-1: none), where, and a value.
struct StepEvent {
    StepEventKind kind = StepEventKind::ShotFired;
    int32_t actor = -1;                  // Actor list position when it happened
    int32_t player = -1;                 // Player index
    float x = 0, y = 0;                  // world units (0, 0 for a boss or a stage)
    float value = 0;
};

// The current step's events, in the order they happened. The list holds at most
// limits::maxStepEvents, room taken when the record is made, so that appending never
// allocates; later events of the step are only counted.
struct StepEvents {
    int32_t step = 0;                    // frameCounter of the step they belong to
    std::vector<StepEvent> list;
    uint32_t dropped = 0;                // events of this step past the cap

    StepEvents() { list.reserve(limits::maxStepEvents); }
    // Empties the list for the step `frame`; the room stays.
    void begin(int32_t frame) {
        step = frame;
        list.clear();
        dropped = 0;
    }
    // Appends an event (a copied record takes its room again on its first event).
    void add(const StepEvent& event) {
        if (list.size() >= limits::maxStepEvents) {
            ++dropped;
            return;
        }
        if (list.capacity() < limits::maxStepEvents) list.reserve(limits::maxStepEvents);
        list.push_back(event);
    }
};
