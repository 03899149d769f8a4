// Replay files: encoding, strict decoding and writing through a temporary file.
#include "replay/replay_file.h"
