// Starting a run anywhere in the level: the timeline frame that a --start-frame or
// --stage option names, checked against the loaded level.
#include "app/app.h"

#include "core/game_state.h"

#include <charconv>
#include <cstdint>
#include <string>

namespace {

// The option and its value as the message shows them.
std::string said(std::string_view option, std::string_view value) {
    return std::string(option) + " " + std::string(value) + ": ";
}

}  // namespace

std::string startValueProblem(std::string_view option, std::string_view value) {
    int64_t number = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, number);
    if (value.empty() || ec != std::errc() || ptr != end)
        return said(option, value) + "not a whole number";
    return {};
}

std::string startFrameOf(std::string_view option, std::string_view value, int32_t& frame) {
    if (std::string why = startValueProblem(option, value); !why.empty()) return why;
    int64_t number = 0;
    (void)std::from_chars(value.data(), value.data() + value.size(), number);
    const auto& defs = game.defs;
    const std::string frames = "the level has frames 0 to " +
                               std::to_string(int64_t{defs.timelineLength} - 1);
    int64_t start = number;
    if (option == "--stage") {
        const auto stages = static_cast<int64_t>(defs.stageStarts.size());
        if (number < 1 || number > stages)
            return said(option, value) + "there is no such stage (the level has " +
                   std::to_string(stages) + ")";
        start = defs.stageStarts[static_cast<size_t>(number - 1)];
        if (start >= defs.timelineLength)
            return said(option, value) + "the stage has no frames left (" + frames + ")";
    } else if (number < 0) {
        return said(option, value) + "a frame cannot be negative";
    } else if (number >= defs.timelineLength) {
        return said(option, value) + "past the level's end (" + frames + ")";
    }
    frame = static_cast<int32_t>(start);
    return {};
}
