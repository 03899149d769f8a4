// quillfray-sim's --events-jsonl: the lines of each step's events, written with
// nlohmann/json (numbers as 32-bit floats, so positions print as short as they round-trip).
#include "tools/sim/events_jsonl.h"

#include "core/game_state.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace {

// JSON values keeping the keys in the order written and floats in single precision.
using EventJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                       std::int64_t, std::uint64_t, float>;

// The lines gathered from the steps run so far.
std::string& gathered() {
    static std::string text;
    return text;
}

}  // namespace

void appendEventsJsonl(std::string& out, const StepEvents& events) {
    for (const StepEvent& event : events.list) {
        EventJson line;
        line["step"] = events.step;
        line["kind"] = stepEventNames[static_cast<size_t>(event.kind)];
        line["actor"] = event.actor;
        line["player"] = event.player;
        line["x"] = event.x;
        line["y"] = event.y;
        line["value"] = event.value;
        out += line.dump();
        out += '\n';
    }
}

void gatherStepEvents() { appendEventsJsonl(gathered(), game.events); }

std::string takeGatheredEvents() { return std::exchange(gathered(), std::string{}); }
