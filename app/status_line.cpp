// The status line that the window title shows during play and the demo: frames per
// second, Actors, steps since newGame and the score multiplier.
#include "app/app.h"

#include "core/game_state.h"
#include "core/numbers.h"
#include "platform/platform.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Room for four 64-bit decimal numbers and three separators: the line never overflows it.
using StatusBuffer = std::array<char, 4 * 21 + 3 * 3 + 1>;

// Writes "fps / actors / frameCounter / multiplier x 1000" into `buffer`.
std::string_view formatStatus(StatusBuffer& buffer, int64_t fps) {
    const float multiplier =
        game.world.players.empty() ? 0.0f : game.world.players[0].scoreMultiplier;
    const int64_t numbers[4] = {
        fps, static_cast<int64_t>(game.world.actors.size()), game.clock.frameCounter,
        num::roundToInt(static_cast<double>(multiplier) * 1000.0)};
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            for (char c : std::string_view(" / ")) *out++ = c;
        }
        out = std::to_chars(out, end, numbers[k]).ptr;
    }
    return {buffer.data(), static_cast<size_t>(out - buffer.data())};
}

// The engine's frames per second, 0 without an engine.
int64_t engineFps() {
    return game.platform.engine == nullptr ? 0 : game.platform.engine->Timer_GetFPS();
}

}  // namespace

void showStatusLine() {
    if (game.platform.engine == nullptr) return;
    StatusBuffer buffer;
    game.platform.engine->System_SetState(HGE_TITLE, formatStatus(buffer, engineFps()));
}

std::string statusLine() {
    StatusBuffer buffer;
    return std::string(formatStatus(buffer, engineFps()));
}
