// The single instance of the game state and its reset.
#include "core/game_state.h"

GameState game;

// Puts every part of the game state back to its start value.
void resetGameState() { game = GameState{}; }
