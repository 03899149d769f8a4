// Actor events: firing an event slot and running a script by name.
#include "actors/actors.h"
#include "core/game_state.h"
#include "defs/defs.h"
#include "script/script.h"

#include <cstdint>
#include <string_view>

namespace {

// Index of the first Script whose stored name equals `name` exactly, or -1. The name
// index answers without allocating; a registry filled by hand (tests) without the index
// is searched directly.
int32_t firstScriptNamed(std::string_view name) {
    const auto& scripts = game.defs.scriptRegistry;
    if (!game.defs.scriptNames.empty()) {
        const NameSpan* span = findName(game.defs.scriptNames, name);
        if (span == nullptr || span->first >= scripts.size()) return -1;
        return static_cast<int32_t>(span->first);
    }
    for (size_t k = 0; k < scripts.size(); ++k) {
        if (scripts[k].name == name) return static_cast<int32_t>(k);
    }
    return -1;
}

}  // namespace

void fireEvent(Actor& actor, EventCode code, int32_t context) {
    if (slotOf(code) >= actor.events.size()) return;
    const int32_t slot = actor.events[slotOf(code)];
    if (slot == 1) {
        clearActor(actor);
        return;
    }
    // Most slots hold an empty script (0 above all): running one would change nothing.
    const auto& scripts = game.defs.scriptRegistry;
    if (slot < 0 || static_cast<size_t>(slot) >= scripts.size() ||
        scripts[static_cast<size_t>(slot)].commands.empty())
        return;
    executeScript(actor, slot, context);
}

void runNamedScript(Actor& actor, std::string_view name) {
    const int32_t index = firstScriptNamed(name);
    if (index < 0) return;
    actor.events[slotOf(EventCode::onevery)] = index;
    fireEvent(actor, EventCode::onevery, -1);
}
