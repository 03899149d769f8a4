// JSON dump of everything the definition files loaded.
#pragma once

#include "tools/sim/json_writer.h"

// Writes models, scripts, ships, the timeline and the font as one JSON object.
void writeDefsJson(JsonWriter& json);
