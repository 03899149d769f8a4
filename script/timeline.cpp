// The stage timeline: runs the Commands of one frame slot from the timeline origin.
#include "actors/actors.h"
#include "core/game_state.h"
#include "script/script.h"

#include <cstdint>

// Runs the Commands of timeline slot f: spawn from the origin at (0, 0) with context -1,
// trigger with context 0, boss; every other command word is ignored here.
void runTimelineFrame(int32_t f) {
    const auto& timeline = game.defs.timeline;
    if (f < 0 || static_cast<size_t>(f) >= timeline.size()) return;

    // A fresh origin per frame: all zero but scale and repeat. spawnCommand only reads it.
    Actor origin{};
    origin.scale = 1.0f;
    origin.repeat = 1;

    const Script& slot = timeline[static_cast<size_t>(f)];
    for (const Command& command : slot.commands) {
        switch (command.word) {
        case CommandWord::Spawn: spawnCommand(origin, command.params, -1); break;
        case CommandWord::Trigger: triggerCommand(command, 0); break;
        case CommandWord::Boss: bossCommand(command); break;
        default: break;
        }
    }
}
