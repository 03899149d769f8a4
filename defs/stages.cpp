// Script and stage blocks: the script registry, the timeline of frame slots, findScript.
#include "core/game_state.h"
#include "defs/defs.h"

#include <algorithm>

namespace {

// The timeline size a stage starting at `base` asks for with "length L": base + L, so a
// negative length shrinks the timeline (dropping earlier stages' slots). A length that
// would make the size negative empties it, and it never grows past maxTimelineSlots.
size_t stageEnd(int64_t base, int32_t length) {
    const int64_t end = std::max<int64_t>(base + length, 0);
    return static_cast<size_t>(std::min<int64_t>(end, limits::maxTimelineSlots));
}

// Parses one event block whose current slot starts at `slot`; returns its last current
// slot. Commands whose slot lies outside the stage (a negative frame, a frame at or past
// the stage's length, or any frame before the stage's "length") are parsed, so that
// their inline scripts still register, and then dropped: a frame number never grows the
// timeline.
int64_t parseEventBlock(Registries& defs, std::string_view block, HeaderValue header,
                        int64_t base, int64_t slot) {
    auto& timeline = defs.timeline;
    LoadObserver* const watch = defs.observer;
    if (header) slot = base + readInt(*header);
    Cursor cursor{block};
    while (!cursor.atEnd()) {
        std::string_view token = nextToken(cursor);
        if (token == "frame") {
            std::string_view value = nextToken(cursor);
            if (watch) watch->valueRead(token, value, ValueKind::Int);
            slot = base + readInt(value);
        } else if (token == "command" || token == "cmd") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Command, token, b, false);
            Command command = parseCommand(defs, b.block, b.header);
            if (watch) watch->commandParsed(command);
            const bool inStage = slot >= base && slot < static_cast<int64_t>(timeline.size());
            if (inStage) timeline[static_cast<size_t>(slot)].commands.push_back(std::move(command));
            if (watch) {
                watch->blockClosed(BlockKind::Command);
                watch->commandPlaced(slot, inStage);
            }
        } else if (watch) {
            watch->tokenSkipped(token);
        }
    }
    return slot;
}

}  // namespace

// Builds a Script: "name" sets the tagged name, "command"/"cmd" blocks add Commands.
Script parseScriptBlock(Registries& defs, std::string_view block, HeaderValue header, int depth) {
    Script script;
    const std::string tag = fileTag(defs.fileOrdinal);
    auto setName = [&](std::string_view value) {
        script.name.assign(value.substr(0, nameCut));
        script.name += tag;
    };
    if (header) setName(*header);
    LoadObserver* const watch = defs.observer;
    Cursor cursor{block};
    while (!cursor.atEnd()) {
        std::string_view token = nextToken(cursor);
        if (token == "name") {
            std::string_view value = nextToken(cursor);
            if (watch) watch->valueRead(token, value, ValueKind::Name);
            setName(value);
        } else if (token == "command" || token == "cmd") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Command, token, b, false);
            script.commands.push_back(parseCommand(defs, b.block, b.header, depth));
            if (watch) {
                watch->commandParsed(script.commands.back());
                watch->blockClosed(BlockKind::Command);
            }
        } else if (watch) {
            watch->tokenSkipped(token);
        }
    }
    return script;
}

// Appends a stage's frame slots to the timeline and places its events' commands. The
// stage's frames count from timelineLength, the size before this stage; a frame-less
// first event goes to the stage's own first slot.
void parseStageBlock(Registries& defs, std::string_view block, HeaderValue header) {
    const int64_t base = defs.timelineLength;
    defs.stageStarts.push_back(static_cast<int32_t>(base));
    if (header) defs.timeline.resize(stageEnd(base, readInt(*header)));
    int64_t defaultSlot = base;
    LoadObserver* const watch = defs.observer;
    Cursor cursor{block};
    while (!cursor.atEnd()) {
        std::string_view token = nextToken(cursor);
        if (token == "length") {
            std::string_view value = nextToken(cursor);
            if (watch) watch->valueRead(token, value, ValueKind::Int);
            defs.timeline.resize(stageEnd(base, readInt(value)));
        } else if (token == "event") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Event, token, b, false);
            defaultSlot = parseEventBlock(defs, b.block, b.header, base, defaultSlot) + 1;
            if (watch) watch->blockClosed(BlockKind::Event);
        } else if (watch) {
            watch->tokenSkipped(token);
        }
    }
    defs.timelineLength = static_cast<int32_t>(defs.timeline.size());
}

void appendScript(Registries& defs, Script script) {
    const auto position = static_cast<uint32_t>(defs.scriptRegistry.size());
    indexName(defs.scriptNames, script.name, position);
    defs.scriptRegistry.push_back(std::move(script));
    fileNewScript(defs, position);
}

int32_t findScript(const Registries& defs, std::string_view name) {
    const NameSpan* span = findName(defs.scriptNames, name);
    return span ? static_cast<int32_t>(span->first) : 0;
}

int32_t findScript(std::string_view name) { return findScript(game.defs, name); }
