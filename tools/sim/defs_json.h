// JSON dump of everything the definition files loaded.
#pragma once

#include "tools/sim/json_text.h"

#include <string>

// ---- defs_json.cpp

// The text of the dump: models, scripts, ships, the timeline (only slots holding
// commands) and the font, as one JSON object.
std::string defsJsonText();
