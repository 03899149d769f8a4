// The single instance of the screens' state and its reset.
#include "app/app_state.h"

AppState app;

void resetAppState() { app = AppState{}; }
