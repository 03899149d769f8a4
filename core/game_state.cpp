// The single instance of the game state and its reset.
#include "core/game_state.h"

GameState game;

void resetGameState() { game = GameState{}; }
