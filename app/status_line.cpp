// The status line that the window title shows during play and the demo: frames per
// second, Actors, steps since newGame and the score multiplier, and while the window draws
// below its full resolution, the share it draws at in percent.
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

// Room for five 64-bit decimal numbers and four separators: the line never overflows it.
using StatusBuffer = std::array<char, 5 * 21 + 4 * 3 + 1>;

// The engine's drawing width as a percentage of its full width; 100 without an engine or
// where the backend draws at one size.
int64_t drawingPercent() {
    if (game.platform.engine == nullptr) return 100;
    const DrawingSize size = game.platform.engine->Gfx_GetDrawingSize();
    return size.fullWidth > 0 ? int64_t{size.width} * 100 / size.fullWidth : 100;
}

// Writes "fps / actors / frameCounter / multiplier x 1000", and " / percent" while the
// drawing resolution is below full, into `buffer`.
std::string_view formatStatus(StatusBuffer& buffer, int64_t fps) {
    const float multiplier =
        game.world.players.empty() ? 0.0f : game.world.players[0].scoreMultiplier;
    const int64_t percent = drawingPercent();
    const int64_t numbers[5] = {
        fps, static_cast<int64_t>(game.world.actors.size()), game.clock.frameCounter,
        num::roundToInt(static_cast<double>(multiplier) * 1000.0), percent};
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    const int count = percent == 100 ? 4 : 5;
    for (int k = 0; k < count; ++k) {
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
