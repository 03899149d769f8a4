// A loader that reaches up into the shell: the layer check must reject this file.
#include "app/app.h"
#include "core/game_state.h"
