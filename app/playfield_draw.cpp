// The playfield as every playing screen draws it: its border, and its moving objects
// (the Actors, then the player ships).
#include "app/app.h"

#include "core/game_state.h"
#include "platform/platform.h"
#include "core/numbers.h"

void drawPlayfieldBorder(Engine& engine) {
    constexpr uint32_t white = 0xFFFFFFFF;
    const PlayfieldLayout& s = game.layout;
    const float bottom = s.playfieldTop + num::playfieldHeight * s.pixelsPerUnitY;
    const float right = s.playfieldLeft + s.pixelsPerUnitX;
    engine.Gfx_RenderLine(s.playfieldLeft, s.playfieldTop, s.playfieldLeft, bottom, white,
                          lineDepth);
    engine.Gfx_RenderLine(right, s.playfieldTop, right, bottom, white, lineDepth);
}

void drawPlayfieldObjects() {
    drawActorsInPlayfield();
    const auto& players = game.world.players;
    for (size_t i = players.size(); i-- > 0;) {
        const Player& p = players[i];
        if (p.disabledSteps != 0 || (p.invulnerableSteps & 2) != 0) continue;
        drawModelInPlayfield(p.x, p.y, p.heading, 1.0f, p.modelIndex);
    }
}
