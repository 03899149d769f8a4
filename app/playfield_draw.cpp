// The playfield's moving objects as every playing screen draws them: the Actors, then
// the player ships.
#include "app/app.h"

#include "core/game_state.h"

// Actors from the last to the first (earlier ones end up on top), then the Players from
// the last to the first, each hidden while disabled and blinking while invulnerable.
void drawPlayfieldObjects() {
    drawActorsInPlayfield();
    const auto& players = game.world.players;
    for (size_t i = players.size(); i-- > 0;) {
        const Player& p = players[i];
        if (p.disabledSteps != 0 || (p.invulnerableSteps & 2) != 0) continue;
        drawModelInPlayfield(p.x, p.y, p.heading, 1.0f, p.modelIndex);
    }
}
