// The game's version, which replays record and the programs report.
#pragma once

#include <string_view>

constexpr std::string_view gameVersion = "0.9.0";
