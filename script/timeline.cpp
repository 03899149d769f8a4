// The stage timeline: runs the Commands of one frame slot from the timeline origin.
#include "actors/actors.h"
#include "core/game_state.h"
#include "defs/command_words.h"
#include "script/script.h"

#include <cstdint>

void runTimelineFrame(int32_t f) {
    // Each command's word says by its stage rule (defs/command_words.h) whether it runs and
    // with which context: spawn from the origin at (0, 0) with context -1, trigger with
    // context 0, boss; every other word is ignored here.
    const auto& timeline = game.defs.timeline;
    if (f < 0 || static_cast<size_t>(f) >= timeline.size()) return;

    // A fresh origin per frame: all zero but scale and repeat. spawnCommand only reads it.
    Actor origin{};
    origin.scale = 1.0f;
    origin.repeat = 1;

    const Script& slot = timeline[static_cast<size_t>(f)];
    for (const Command& command : slot.commands) {
        const StageRule rule = commandWordRow(command.word).stage;
        if (rule != StageRule::Ignored) runCommand(origin, command, stageContext(rule));
    }
}
